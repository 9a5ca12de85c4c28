// The viewers of the collected slide files and directories.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "resource.h"
#include "slides/CSelectedItemsDialog.h"

namespace vantor {
namespace {

const std::string kFiller = "  ..........";

// The dialog events of the viewer: its lines, and what else the event says.
struct Shown {
    std::vector<std::string> lines;
    Json event;
};

Shown LastViewer(const test::ScriptedView& s) {
    const auto dialogs = s.Events("dialog");
    EXPECT_FALSE(dialogs.empty());
    if (dialogs.empty()) return {};
    Shown shown;
    shown.event = Json::parse(dialogs.back());
    shown.lines = shown.event["lists"]["1022"].get<std::vector<std::string>>();
    return shown;
}

DialogAnswer Answer(int button) {
    DialogAnswer a;
    a.button = button;
    return a;
}

TEST(SelectedItems, SlideFilesFirstThenFillers) {
    test::ScriptedView s;
    for (const char* p : {"/p/c.jpg", "/p/a.jpg", "/q/b.bmp"}) s.view.AppendSlide(p);
    // OK is disabled: pressing it does not close the viewer with OK.
    s.ui.QueueDialogAnswer(Answer(IDOK));
    ASSERT_TRUE(s.view.OnCommand(ID_EFFECT_SHOW_SLIDE_FILES));
    const Shown shown = LastViewer(s);
    EXPECT_EQ(shown.event["id"], 148);
    EXPECT_EQ(shown.event["title"], "Selected Items  ( 1 ～ 10000 )");
    EXPECT_EQ(shown.event["answer"], "Cancel");
    ASSERT_EQ(shown.lines.size(), 10000u);
    EXPECT_EQ(shown.lines[0], "/p/c.jpg");
    EXPECT_EQ(shown.lines[1], "/p/a.jpg");
    EXPECT_EQ(shown.lines[2], "/q/b.bmp");
    EXPECT_EQ(std::count(shown.lines.begin(), shown.lines.end(), kFiller), 9997);
    EXPECT_EQ(shown.lines[3], "  ..........");
    EXPECT_EQ(s.view.m_slides.m_slideCount, 3u);

    const DialogTemplate& t = SelectedItemsDialogTemplate();
    ASSERT_NE(t.Find(kIdCancel), nullptr);
    EXPECT_EQ(t.Find(kIdCancel)->text, "CLOSE( 閉じる.)");
    EXPECT_FALSE(t.Find(kIdOk)->enabled);
    EXPECT_EQ(t.Find(1022)->kind, ControlKind::ListBox);
}

TEST(SelectedItems, EmptyListsAndTheDirectoriesAfterAFileSelect) {
    test::ScriptedView s;
    ASSERT_TRUE(s.view.OnCommand(ID_EFFECT_SHOW_SLIDE_FILES));
    EXPECT_EQ(LastViewer(s).lines, std::vector<std::string>(10000, kFiller));

    // File Select writes two entries into the directory list but counts none.
    FilesAnswer pick;
    pick.cancel = false;
    pick.paths = {"/p/a.jpg"};
    s.ui.QueueFilesAnswer(pick);
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    EXPECT_EQ(s.view.m_dirs.m_dirList[0], "(first )");
    ASSERT_TRUE(s.view.OnCommand(ID_EFFECT_SHOW_DIRECTORIES));
    EXPECT_EQ(LastViewer(s).lines, std::vector<std::string>(10000, kFiller));

    s.view.m_dirs.m_dirList[0] = "/one";
    s.view.m_dirs.m_dirList[1] = "yn:\\";
    s.view.m_dirs.m_dirCount = 2;
    DialogAnswer select = Answer(IDCANCEL);
    DialogAnswer::Step step;
    step.kind = DialogAnswer::Step::Kind::Select;
    step.id = 1022;
    step.lines = {1};
    select.steps.push_back(step);
    s.ui.QueueDialogAnswer(select);
    ASSERT_TRUE(s.view.OnCommand(ID_EFFECT_SHOW_DIRECTORIES));
    const auto lines = LastViewer(s).lines;
    EXPECT_EQ(lines[0], "/one");
    EXPECT_EQ(lines[1], "yn:\\");
    EXPECT_EQ(lines[2], kFiller);
    EXPECT_EQ(s.view.m_dirs.m_dirCount, 2u);
}

TEST(SelectedItems, AFullListAndWhenTheCommandsAreEnabled) {
    test::ScriptedView s;
    for (std::uint32_t i = 0; i < 10000; ++i) s.view.m_slides.Store(i, "/p/" + std::to_string(i) + ".jpg");
    s.view.m_slides.m_slideCount = 10000;
    ASSERT_TRUE(s.view.OnCommand(ID_EFFECT_SHOW_SLIDE_FILES));
    const auto lines = LastViewer(s).lines;
    EXPECT_EQ(lines.front(), "/p/0.jpg");
    EXPECT_EQ(lines.back(), "/p/9999.jpg");

    EXPECT_TRUE(s.view.IsCommandEnabled(ID_EFFECT_SHOW_SLIDE_FILES));
    EXPECT_TRUE(s.view.IsCommandEnabled(ID_EFFECT_SHOW_DIRECTORIES));
    s.view.m_stopped = 0;  // a show or a write runs
    EXPECT_FALSE(s.view.IsCommandEnabled(ID_EFFECT_SHOW_SLIDE_FILES));
    EXPECT_FALSE(s.view.IsCommandEnabled(ID_EFFECT_SHOW_DIRECTORIES));
}

}  // namespace
}  // namespace vantor
