#include "TestSupport.h"

#include <random>

namespace vantor::test {

TempDir::TempDir() {
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() / ("vantor-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

ScriptedView::ScriptedView() {
    ui.paint = [this](Canvas& c) { view.OnDraw(c); };
    ui.waitingForUser = [this] { return view.WaitingForUser(); };
    ui.requestClose = [this] { view.RequestClose(); };
    ui.deliver = [this](const ScriptAction& a) {
        switch (a.kind) {
            case ScriptAction::Kind::Command: view.OnCommand(a.value); break;
            case ScriptAction::Kind::LeftClick: view.OnLButtonDown(); break;
            case ScriptAction::Kind::RightClick: view.OnRButtonDown(); break;
            case ScriptAction::Kind::Key: view.OnKeyDown(static_cast<unsigned>(a.value)); break;
        }
    };
}

std::vector<std::string> ScriptedView::Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> ScriptedView::Events(const std::string& event) const {
    std::vector<std::string> lines;
    const std::string tag = "{\"event\":\"" + event + "\"";
    for (auto& l : Lines()) {
        if (l.rfind(tag, 0) == 0) lines.push_back(l);
    }
    return lines;
}

void ScriptedView::ClearTranscript() { out.str(""); }

}  // namespace vantor::test
