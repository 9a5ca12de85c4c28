// What the search tests share: a folder of their own, the scripted answers to the
// search's prompts, and reading the boxes and slides back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "resource.h"

namespace vantor::search_test {

namespace fs = std::filesystem;

inline const char* const kExcluded = "yn:\\";

inline void Touch(const fs::path& p) { test::WriteFile(p.string(), {0xFF, 0xD8}); }

// The boxes of the transcript as (caption, text).
inline std::vector<std::pair<std::string, std::string>> Boxes(const test::ScriptedView& s) {
    std::vector<std::pair<std::string, std::string>> boxes;
    for (const std::string& line : s.Events("box")) {
        const Json j = Json::parse(line);
        boxes.emplace_back(j["caption"].get<std::string>(), j["text"].get<std::string>());
    }
    return boxes;
}

inline bool HasBox(const test::ScriptedView& s, const std::string& caption, const std::string& text) {
    for (const auto& b : Boxes(s)) {
        if (b.first == caption && b.second == text) return true;
    }
    return false;
}

inline std::vector<std::string> Slides(const CVantorView& v) {
    return {v.m_slides.m_slidePath.begin(), v.m_slides.m_slidePath.begin() + v.m_slides.m_slideCount};
}

inline DialogAnswer TypeAnswer(const std::string& deep = "", int click = 0) {
    DialogAnswer a;
    a.button = IDOK;
    if (!deep.empty()) a.values.emplace_back("#1018", deep);
    if (click != 0) a.steps.push_back({DialogAnswer::Step::Kind::Click, click, ScrollCode::EndScroll, 0, {}});
    return a;
}

inline FilesAnswer Folder(const fs::path& folder, bool withDummy = true) {
    FilesAnswer a;
    a.cancel = false;
    a.paths = {withDummy ? (folder / "MFC_DUMMY.JPG").string() : folder.string()};
    return a;
}

inline DialogAnswer ListAnswer(int listId, std::vector<int> lines, const std::string& more = "") {
    DialogAnswer a;
    a.button = IDOK;
    if (!more.empty()) a.values.emplace_back("m_moreEdit", more);
    DialogAnswer::Step step;
    step.kind = DialogAnswer::Step::Kind::Select;
    step.id = listId;
    step.lines = std::move(lines);
    a.steps.push_back(step);
    return a;
}

inline DialogAnswer Ok() {
    DialogAnswer a;
    a.button = IDOK;
    return a;
}

// Each test searches from a folder of its own; the walk changes the current directory.
class Search : public ::testing::Test {
protected:
    void SetUp() override { m_cwd = fs::current_path(); }
    void TearDown() override { fs::current_path(m_cwd); }

    fs::path Root() const { return fs::canonical(m_tmp.path()); }
    void AutoSearch(const fs::path& root, const std::string& deep = "") {
        s.ui.QueueDialogAnswer(TypeAnswer(deep));
        s.ui.QueueFilesAnswer(Folder(root));
        s.ui.ResetPumpCount();
        ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH));
    }

    test::TempDir m_tmp;
    test::ScriptedView s;

private:
    fs::path m_cwd;
};

// root/A/{A1,A2}, root/B/B1, a picture in every folder.
inline fs::path SmallTree(const fs::path& root) {
    for (const char* d : {"A", "A/A1", "A/A2", "B", "B/B1"}) {
        fs::create_directories(root / d);
        Touch(root / d / "p.jpg");
    }
    Touch(root / "p.jpg");
    return root;
}

}  // namespace vantor::search_test
