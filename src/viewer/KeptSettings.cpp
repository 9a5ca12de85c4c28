#include "viewer/KeptSettings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "viewer/CVantorView.h"

namespace vantor {

namespace {

struct KeptRow {
    const char* name;
    bool CVantorView::*setting;
};

constexpr KeptRow kKept[] = {
    {"fit-window", &CVantorView::m_fitWindow},
    {"auto-rotate", &CVantorView::m_autoRotate},
};

}  // namespace

std::string KeptSettingsPath() {
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config != nullptr && config[0] == '/')
        base = config;
    else if (home != nullptr && home[0] != '\0')
        base = std::string(home) + "/.config";
    else
        return {};
    return base + "/vantor/settings";
}

void ReadKeptSettings(CVantorView& view, const std::string& path) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string value = line.substr(eq + 1);
        for (const KeptRow& row : kKept) {
            if (line.compare(0, eq, row.name) == 0 && (value == "0" || value == "1")) view.*row.setting = value == "1";
        }
    }
}

bool WriteKeptSettings(const CVantorView& view, const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const std::string fresh = path + ".new";
    std::ofstream out(fresh, std::ios::trunc);
    for (const KeptRow& row : kKept) out << row.name << '=' << (view.*row.setting ? 1 : 0) << '\n';
    out.close();
    if (out) std::filesystem::rename(fresh, path, error);
    const bool written = out && !error;
    if (!written) std::filesystem::remove(fresh, error);
    return written;
}

}  // namespace vantor
