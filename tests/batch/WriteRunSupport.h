// The scripted window's batch write as its tests drive it: a slide list, an output
// folder and a user that answers the setup.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "platform/script/Json.h"
#include "resource.h"

namespace vantor::test {

inline void SetSlides(CVantorView& v, const std::vector<std::string>& paths) {
    for (std::uint32_t i = 0; i < paths.size(); ++i) v.m_slides.Store(i, paths[i]);
    v.m_slides.m_slideCount = static_cast<std::uint32_t>(paths.size());
}

inline std::string Field(const std::string& line, const char* name) {
    const Json j = Json::parse(line);
    return j.contains(name) ? j[name].get<std::string>() : std::string();
}

inline std::vector<std::string> Fields(const ScriptedView& s, const std::string& event, const char* name) {
    std::vector<std::string> out;
    for (const auto& line : s.Events(event)) out.push_back(Field(line, name));
    return out;
}

inline DialogAnswer Answer(int button, std::vector<std::pair<std::string, std::string>> values = {}) {
    DialogAnswer a;
    a.button = button;
    a.values = std::move(values);
    return a;
}

// A slide list, an output folder and a scripted user that answers the setup.
struct WriteRun {
    TempDir in;
    TempDir outDir;
    std::string out = outDir.path().string() + "/";
    ScriptedView s;

    WriteRun() { s.view.m_speed = 0; }
    void Slides(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const auto& n : names) paths.push_back(in.File(n));
        SetSlides(s.view, paths);
    }
    // File Write Start: the scale dialog's answer, the folder chosen through the
    // dummy name, OK to the confirmation, and the start number.
    void Start(const std::string& startNo = "0", DialogAnswer scale = Answer(IDCANCEL)) {
        s.ui.QueueDialogAnswer(std::move(scale));
        s.ui.QueueFilesAnswer({false, {out + "MFC_DUMMY.JPG"}});
        s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", startNo}}));
        ASSERT_TRUE(s.view.OnCommand(ID_FILE_WRITE_START));
    }
    std::vector<std::string> Written() const { return Names(outDir.path()); }
    static std::vector<std::string> Names(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};
}  // namespace vantor::test
