#include <gtest/gtest.h>

#include "TestSupport.h"
#include "resource.h"
#include "slides/COverLimitDialog.h"

namespace vantor {
namespace {

const char* const kDoneText =
    "Multi-File-Select　が　おわりました。\r\r1回につき1300件以下のSELECTを繰り返し10000 件まで累積できます。\r\r"
    "スライドショーが　開始できます。\r\r !!!Select Under 1300 Files at a time!!!\r\r Repeat <SELECT> and can stack "
    "10000 Files\r\r      ※ ファィル名には *.jpg 又は *.bmpと入力してください。※";
const char* const kAdviceText =
    "一回につき1300件?以上では、\r\rSELECTが,失敗しているときがあります。\r\r<全体のSTRING長の関係>\r\r"
    "件数を少なくして,再度試みてください。\r\r推奨...1300件以下。..... !!!Select Under 1300 Files at a time!!!\r\r"
    "      ※ ファィル名には *.jpg 又は *.bmpと入力してください。※";
const char* const kPickLimitText = "select-file 1300件over.1300件以上無視します:warning!!!";
const char* const kStackFullText = "累積　stack　file 10000件over.1件目から上書きします:warning!!!";

std::string InfoBox(const std::string& text) {
    return Json{{"event", "box"},  {"caption", "Vantor"},   {"text", text},
                {"buttons", "OK"}, {"icon", "information"}, {"answer", "OK"}}
        .dump();
}

FilesAnswer Pick(std::vector<std::string> paths) {
    FilesAnswer a;
    a.cancel = false;
    a.paths = std::move(paths);
    return a;
}

std::vector<std::string> Names(const std::string& prefix, unsigned count) {
    std::vector<std::string> paths;
    for (unsigned i = 0; i < count; ++i) paths.push_back(prefix + std::to_string(i) + ".jpg");
    return paths;
}

DialogAnswer OverLimit(int click) {
    DialogAnswer a;
    a.button = IDOK;
    if (click != 0) {
        DialogAnswer::Step step;
        step.id = click;
        a.steps.push_back(step);
    }
    return a;
}

TEST(FileSelect, ThreeFilesOnAnEmptyList) {
    test::ScriptedView s;
    s.ui.QueueFilesAnswer(Pick({"/pics/a.jpg", "/pics/sub/B.BMP", "c.jpg"}));
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    const CVantorView& v = s.view;
    EXPECT_EQ(v.m_slides.m_slideCount, 3u);
    EXPECT_EQ(v.m_slides.m_slidePath[0], "/pics/a.jpg");
    EXPECT_EQ(v.m_slides.m_slidePath[1], "/pics/sub/B.BMP");
    EXPECT_EQ(v.m_slides.m_slidePath[2], "c.jpg");
    EXPECT_EQ(v.m_slides.m_slidePath2[1], "/pics/sub/B.BMP");
    EXPECT_EQ(v.m_slides.m_slideName[0], "/a.jpg");
    EXPECT_EQ(v.m_slides.m_slideName[1], "/B.BMP");
    EXPECT_EQ(v.m_slides.m_slideName[2], "c.jpg");  // no separator: the whole path
    EXPECT_EQ(v.m_slides.m_slidePath[3], "Null");
    EXPECT_EQ(v.m_slides.m_listFull, 0u);
    EXPECT_EQ(v.m_slideNo, 4u);  // the pick counter

    const auto files = s.Events("filedialog");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("{\"event\":\"filedialog\",\"title\":\"Enter *.jpg or *.bmp for display ( Shift + Ctrl) "
                             "then Reverse from top to last file \",\"answer\":\"OK\"",
                             0),
              0u)
        << files[0];
    EXPECT_EQ(s.Events("box"), std::vector<std::string>{InfoBox(kDoneText)});
}

TEST(FileSelect, PicksAccumulate) {
    test::ScriptedView s;
    s.ui.QueueFilesAnswer(Pick({"/p/1.jpg", "/p/2.jpg"}));
    s.ui.QueueFilesAnswer(Pick({"/p/3.jpg"}));
    s.view.OnCommand(ID_SLIDESHOW_FILE_SELECT);
    s.view.OnCommand(ID_SLIDESHOW_FILE_SELECT);
    EXPECT_EQ(s.view.m_slides.m_slideCount, 3u);
    EXPECT_EQ(s.view.m_slides.m_slidePath[2], "/p/3.jpg");
    EXPECT_EQ(s.Events("box"), (std::vector<std::string>{InfoBox(kDoneText), InfoBox(kDoneText)}));
}

TEST(FileSelect, DirectoryListIsReset) {
    test::ScriptedView s;
    s.view.m_dirs.m_dirCount = 12;
    s.view.m_dirs.m_dirList[2] = "/kept";
    s.ui.QueueFilesAnswer(FilesAnswer{});
    s.view.OnCommand(ID_SLIDESHOW_FILE_SELECT);
    EXPECT_EQ(s.view.m_dirs.m_dirCount, 0u);
    EXPECT_EQ(s.view.m_dirs.m_dirList[0], "(first )");
    EXPECT_EQ(s.view.m_dirs.m_dirList[1], "(second  )");
    EXPECT_EQ(s.view.m_dirs.m_dirList[2], "/kept");
}

TEST(FileSelect, CancelShowsTheAdvice) {
    test::ScriptedView s;
    s.view.m_slides.m_slideCount = 5;
    s.ui.QueueFilesAnswer(FilesAnswer{});
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    EXPECT_EQ(s.view.m_slides.m_slideCount, 5u);
    EXPECT_EQ(s.Events("box"), std::vector<std::string>{InfoBox(kAdviceText)});
}

TEST(FileSelect, MoreThan1300InOnePickStores1300AndWarns) {
    test::ScriptedView s;
    s.ui.QueueFilesAnswer(Pick(Names("/many/", 1301)));
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    EXPECT_EQ(s.view.m_slides.m_slideCount, 1300u);
    EXPECT_EQ(s.view.m_slides.m_slidePath[1299], "/many/1299.jpg");
    EXPECT_EQ(s.view.m_slides.m_slidePath[1300], "Null");
    EXPECT_EQ(s.Events("box"), std::vector<std::string>{InfoBox(kPickLimitText)});

    // Exactly 1300 is fine.
    test::ScriptedView t;
    t.ui.QueueFilesAnswer(Pick(Names("/many/", 1300)));
    t.view.OnCommand(ID_SLIDESHOW_FILE_SELECT);
    EXPECT_EQ(t.view.m_slides.m_slideCount, 1300u);
    EXPECT_EQ(t.Events("box"), std::vector<std::string>{InfoBox(kDoneText)});
}

TEST(FileSelect, LoopAtTheLimitOverwritesFromTheSecondEntry) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    v.m_slides.m_slideCount = 9999;
    v.m_slides.m_slidePath[0] = "/old/first.jpg";
    v.m_slides.m_slidePath[1] = "/old/second.jpg";
    s.ui.QueueFilesAnswer(Pick({"/new/a.jpg", "/new/b.jpg"}));
    s.ui.QueueDialogAnswer(OverLimit(0));  // Loop is preselected
    ASSERT_TRUE(v.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    EXPECT_EQ(v.m_slides.m_slidePath[9999], "/new/a.jpg");
    EXPECT_EQ(v.m_slides.m_slidePath[1], "/new/b.jpg");
    EXPECT_EQ(v.m_slides.m_slidePath[0], "/old/first.jpg");
    EXPECT_EQ(v.m_slides.m_slideCount, 2u);
    EXPECT_EQ(v.m_slides.m_listFull, 10000u);
    EXPECT_EQ(v.m_slides.m_overChoice, 1);
    // Paths were added, so the summary is the completion text, not the advice.
    EXPECT_EQ(s.Events("box"), (std::vector<std::string>{InfoBox(kStackFullText), InfoBox(kDoneText)}));
    const auto dialogs = s.Events("dialog");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0],
              "{\"event\":\"dialog\",\"id\":144,\"title\":\"     Choose when over 10000\",\"answer\":\"OK\"}");
}

TEST(FileSelect, StopAtTheLimitKeeps10000AndIgnoresTheRest) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    v.m_slides.m_slideCount = 9999;
    s.ui.QueueFilesAnswer(Pick({"/new/a.jpg", "/new/b.jpg", "/new/c.jpg"}));
    s.ui.QueueDialogAnswer(OverLimit(COverLimitDialog::kStop));
    ASSERT_TRUE(v.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    EXPECT_EQ(v.m_slides.m_slideCount, 10000u);
    EXPECT_EQ(v.m_slides.m_slidePath[9999], "/new/a.jpg");
    EXPECT_EQ(v.m_slides.m_slidePath[1], "Null");
    EXPECT_EQ(v.m_slides.m_slidePath[10000], "Null");
    EXPECT_EQ(v.m_slides.m_overChoice, 3);
    EXPECT_EQ(s.Events("box"), (std::vector<std::string>{InfoBox(kStackFullText), InfoBox(kDoneText)}));
}

TEST(FileSelect, RestartAtTheLimitStartsTheListAgainFromThePathAtHand) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    v.m_slides.m_slideCount = 9999;
    v.m_slides.m_slidePath[1] = "/old/second.jpg";
    s.ui.QueueFilesAnswer(Pick({"/new/a.jpg", "/new/b.jpg"}));
    s.ui.QueueDialogAnswer(OverLimit(COverLimitDialog::kRestart));
    ASSERT_TRUE(v.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    // No placeholder: the list is a.jpg, the path that reached the limit, then b.jpg.
    EXPECT_EQ(v.m_slides.m_slideCount, 2u);
    for (std::uint32_t i = 0; i < 2; ++i) {
        const std::string expected = i == 0 ? "/new/a.jpg" : "/new/b.jpg";
        EXPECT_EQ(v.m_slides.m_slidePath[i], expected);
        EXPECT_EQ(v.m_slides.m_slidePath2[i], expected);
        EXPECT_EQ(v.m_slides.m_slideName[i], expected.substr(4));
    }
    EXPECT_EQ(v.m_slides.m_listFull, 1u);
    EXPECT_EQ(v.m_slides.m_overChoice, 2);
}

TEST(FileSelect, PickOnAStoppedFullListAddsNothing) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    v.m_slides.m_slideCount = 10000;
    v.m_slides.m_overChoice = 3;
    s.ui.QueueFilesAnswer(Pick({"/new/a.jpg"}));
    s.ui.QueueDialogAnswer(OverLimit(COverLimitDialog::kStop));
    ASSERT_TRUE(v.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    EXPECT_EQ(v.m_slides.m_slideCount, 10000u);
    EXPECT_EQ(v.m_slides.m_listFull, 1u);
    EXPECT_EQ(s.Events("box"), (std::vector<std::string>{InfoBox(kStackFullText), InfoBox(kAdviceText)}));
}

TEST(FileSelect, CancelledOverLimitDialogKeepsThePreviousChoice) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    v.m_slides.m_slideCount = 9999;
    v.m_slides.m_overChoice = 3;
    s.ui.QueueFilesAnswer(Pick({"/new/a.jpg", "/new/b.jpg"}));
    s.ui.QueueDialogAnswer(DialogAnswer{});
    ASSERT_TRUE(v.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    EXPECT_EQ(v.m_slides.m_overChoice, 3);
    EXPECT_EQ(v.m_slides.m_slideCount, 10000u);
}

// A scripted user that also counts the wait cursor.
class CursorUi : public ScriptUi {
public:
    using ScriptUi::ScriptUi;
    void BeginWaitCursor() override { ++depth; }
    void EndWaitCursor() override {
        if (depth > 0) --depth;
    }
    int depth = 0;
};

TEST(FileSelect, EndsItsWaitCursorOnEveryWayOut) {
    const std::vector<FilesAnswer> picks = {Pick({"/p/a.jpg"}), FilesAnswer{}, Pick(Names("/many/", 1301))};
    for (const auto& pick : picks) {
        std::ostringstream out;
        CursorUi ui(out);
        ScopedUi scope(ui);
        CVantorView view;
        ui.QueueFilesAnswer(pick);
        ASSERT_TRUE(view.OnCommand(ID_SLIDESHOW_FILE_SELECT));
        EXPECT_EQ(ui.depth, 0) << pick.paths.size() << " paths";
    }
}

TEST(OverLimitDialog, OpensOnLoopAndClicksChoose) {
    test::ScriptedView s;
    COverLimitDialog dlg;
    dlg.m_choice = 3;
    dlg.m_clicked = 1;
    dlg.OnInitDialog();
    EXPECT_TRUE(dlg.Control(1013).checked);
    EXPECT_FALSE(dlg.Control(1014).checked);
    EXPECT_EQ(dlg.m_choice, 1);
    EXPECT_EQ(dlg.m_clicked, 0);
    dlg.Click(1015);
    EXPECT_EQ(dlg.m_choice, 3);
    EXPECT_EQ(dlg.m_clicked, 1);
    EXPECT_FALSE(dlg.Control(1013).checked);
    EXPECT_TRUE(dlg.Control(1015).checked);
    dlg.Click(1014);
    EXPECT_EQ(dlg.m_choice, 2);
    EXPECT_TRUE(dlg.Control(1014).checked);
    EXPECT_FALSE(dlg.Control(1015).checked);
    EXPECT_EQ(dlg.Template().Find(1013)->text, "Loop 上書読込｡ 上限 10000件 既読込済は保存されます。");
    EXPECT_EQ(dlg.Template().Find(1014)->text, "Cancel して はじめから読込しなおし。");
    EXPECT_EQ(dlg.Template().Find(1015)->text, "Stop 更なる読込中止｡ 保存 10000 件止め。");
}

}  // namespace
}  // namespace vantor
