#include "viewer/KeptSettings.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "viewer/CVantorView.h"

namespace vantor {

namespace {

// A kept setting is a flag, or a number from first to last.
struct KeptRow {
    const char* name;
    bool CVantorView::*flag = nullptr;
    std::int32_t CVantorView::*number = nullptr;
    std::int32_t first = 0, last = 1;

    std::int32_t Get(const CVantorView& view) const { return flag ? (view.*flag ? 1 : 0) : view.*number; }
    void Set(CVantorView& view, std::int32_t value) const {
        if (flag)
            view.*flag = value != 0;
        else
            view.*number = value;
    }
};

const KeptRow kKept[] = {
    {"fit-window", &CVantorView::m_fitWindow},
    {"auto-rotate", &CVantorView::m_autoRotate},
    {"full-screen-background", nullptr, &CVantorView::m_fullScreenBackColor, CVantorView::kBackWhite,
     CVantorView::kBackBlack},
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
        // One digit is all a kept value takes; anything else is left as it was.
        const std::string value = line.substr(eq + 1);
        if (value.size() != 1 || value[0] < '0' || value[0] > '9') continue;
        const std::int32_t number = value[0] - '0';
        for (const KeptRow& row : kKept) {
            if (line.compare(0, eq, row.name) == 0 && number >= row.first && number <= row.last) row.Set(view, number);
        }
    }
}

bool WriteKeptSettings(const CVantorView& view, const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const std::string fresh = path + ".new";
    std::ofstream out(fresh, std::ios::trunc);
    for (const KeptRow& row : kKept) out << row.name << '=' << row.Get(view) << '\n';
    out.close();
    if (out) std::filesystem::rename(fresh, path, error);
    const bool written = out && !error;
    if (!written) std::filesystem::remove(fresh, error);
    return written;
}

}  // namespace vantor
