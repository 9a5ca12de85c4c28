// The search walk: the entry tests level by level, stops, links, odd names and the
// progress lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "platform/FileSystem.h"
#include "platform/FolderScan.h"
#include "search/SearchDialogs.h"
#include "search/SearchTestSupport.h"

namespace vantor {
namespace {

using namespace search_test;

const char* const kStartBox =
    "これから Slide_File  Auto_search を 開始します。\rクリックしてください。\r "
    "ドライブ検索の場合は、時間がかかります。"
    "\r 検索対象の path は...";

TEST_F(Search, RootWithoutSubfoldersGivesItsOwnPicturesAndTheSummaryBoxes) {
    const fs::path root = Root();
    Touch(root / "b.JPG");
    Touch(root / "a.jpg");
    Touch(root / "c.Jpg");
    Touch(root / "d.bmp");
    // Pictures the show takes by name, which the search leaves: it takes .jpg alone.
    for (const char* name : {"e.png", "f.GIF", "g.tif", "h.jpe"}) Touch(root / name);
    s.view.m_dirs.m_dirList[1] = "(second  )";
    // The folder typed as a path and confirmed.
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueFilesAnswer(Folder(root, false));
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH));

    const CVantorView& v = s.view;
    EXPECT_EQ(v.m_search.m_searchFolder, root.string() + "/");
    EXPECT_EQ(Slides(v), (std::vector<std::string>{root / "a.jpg", root / "b.JPG"}));
    EXPECT_EQ(v.m_slides.m_slideName[0], "/a.jpg");
    EXPECT_EQ(v.m_slides.m_slidePath2[1], (root / "b.JPG").string());
    EXPECT_EQ(v.m_dirs.m_dirCount, 1u);
    EXPECT_EQ(v.m_searching, 0);
    EXPECT_EQ(v.m_searchStop, 0);

    const auto boxes = Boxes(s);
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[0], std::make_pair(std::string("Slide_File  Auto_search"),
                                       std::string(kStartBox) + root.string() + " です。"));
    EXPECT_EQ(boxes[1], std::make_pair(std::string("first directory search"),
                                       "検索する最初の directory 名 は..." + root.string() + " です。"));
    EXPECT_EQ(boxes[2], std::make_pair(std::string("second directory search"),
                                       std::string("検索する次の directory 名 は...(second  ) です。")));
    EXPECT_EQ(
        boxes[3],
        std::make_pair(std::string("directory search"),
                       std::string("検索された sub directory 数 は...1個 です。\n  ディレクトリの深さは...0 です。")));
    EXPECT_EQ(boxes[4], std::make_pair(std::string("検索された file 数"),
                                       std::string("検索された file 数 (JPEG) は...2個 です。")));
    EXPECT_EQ(boxes[5], std::make_pair(std::string("File 検索終了"), std::string("  AUTO SEARCH 終わりました。 ")));
    const std::string folderDialog = s.Events("filedialog").at(0);
    EXPECT_NE(
        folderDialog.find(
            "( Decide AutoSearch Folder )自動読み込先 Directory 取得。MFC_DUMMY.JPGは dummy なのでOKしてください。"),
        std::string::npos);
}

TEST_F(Search, BmpChoiceTakesOnlyBitmapsWithAnExactEnding) {
    const fs::path root = Root();
    Touch(root / "a.bmp");
    Touch(root / "b.Bmp");
    Touch(root / "c.BMP");
    Touch(root / "d.jpg");
    s.ui.QueueDialogAnswer(TypeAnswer("0", CSearchTypeDialog::kBmp));
    s.ui.QueueFilesAnswer(Folder(root));
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH));
    EXPECT_EQ(Slides(s.view), (std::vector<std::string>{root / "a.bmp", root / "c.BMP"}));
    EXPECT_EQ(s.view.m_deepSearch, 0);
    EXPECT_EQ(s.view.m_deepSearchSetting, 0);
    EXPECT_TRUE(HasBox(s, "検索された file 数", "検索された file 数 (BMP) は...2個 です。"));
}

TEST_F(Search, EntryTestsOfTheFirstNineLevels) {
    const fs::path root = Root();
    for (const char* d : {"plain", "x.c", "y.IE5", "w.abc", "z.abcd", "v.ab", "ro.h"}) {
        fs::create_directory(root / d);
        Touch(root / d / "p.jpg");
    }
    chmod((root / "ro.h").c_str(), 0555);  // read-only: its attribute word is not exactly a folder's
    Touch(root / "noext");

    const auto found = [&](const std::string& deep) {
        test::ScriptedView run;
        run.ui.QueueDialogAnswer(TypeAnswer(deep));
        run.ui.QueueFilesAnswer(Folder(root));
        run.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
        std::vector<std::string> dirs(run.view.m_dirs.m_dirList.begin(),
                                      run.view.m_dirs.m_dirList.begin() + run.view.m_dirs.m_dirCount);
        return std::make_pair(Slides(run.view), dirs);
    };
    const auto [slides0, dirs0] = found("0");
    EXPECT_EQ(slides0, (std::vector<std::string>{root / "plain/p.jpg", root / "v.ab/p.jpg", root / "z.abcd/p.jpg"}));
    // A file without an extension becomes a directory list entry that yields nothing.
    EXPECT_EQ(dirs0, (std::vector<std::string>{root, root / "noext", root / "plain", root / "v.ab", root / "z.abcd"}));

    const auto [slides1, dirs1] = found("1");
    EXPECT_EQ(slides1, (std::vector<std::string>{root / "plain/p.jpg", root / "v.ab/p.jpg", root / "w.abc/p.jpg",
                                                 root / "x.c/p.jpg", root / "y.IE5/p.jpg", root / "z.abcd/p.jpg"}));
    chmod((root / "ro.h").c_str(), 0755);
}

TEST_F(Search, FoldersWhoseNamesEndInDotsAreSearched) {
    const fs::path root = Root();
    for (const char* d : {"photos..", "trail.", "..."}) {
        fs::create_directory(root / d);
        Touch(root / d / "p.jpg");
    }
    AutoSearch(root);
    EXPECT_EQ(Slides(s.view),
              (std::vector<std::string>{root / ".../p.jpg", root / "photos../p.jpg", root / "trail./p.jpg"}));
}

TEST_F(Search, PlainNamesOnlyFromLevelTenAndNothingBelowLevelEighteen) {
    const fs::path root = Root();
    fs::path d = root;
    std::vector<std::string> expected;
    for (int level = 1; level <= 19; ++level) {
        d /= "d" + std::to_string(level);
        fs::create_directory(d);
        Touch(d / "p.jpg");
        if (level <= 18) expected.push_back((d / "p.jpg").string());
        if (level == 8 || level == 9) {
            // Collected at level 9 (kept) and at level 10 (dropped).
            fs::create_directory(d / "e.xy");
            Touch(d / "e.xy" / "p.jpg");
        }
    }
    AutoSearch(root, "1");
    std::vector<std::string> slides = Slides(s.view);
    std::sort(slides.begin(), slides.end());
    expected.push_back((root / "d1/d2/d3/d4/d5/d6/d7/d8/e.xy/p.jpg").string());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(slides, expected);
    EXPECT_TRUE(HasBox(s, "directory search",
                       "検索された sub directory 数 は...20個 です。\n  ディレクトリの深さは...18 です。"));
}

TEST_F(Search, CancelAtEachPromptChangesNothing) {
    const fs::path root = Root();
    Touch(root / "a.jpg");
    s.view.m_slides.m_slideCount = 3;

    // File type cancelled: nothing else is asked.
    s.ui.QueueDialogAnswer(DialogAnswer{});
    s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_TRUE(s.Events("filedialog").empty());

    // Folder choice cancelled: the try-again box.
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueFilesAnswer(FilesAnswer{});
    s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_EQ(Boxes(s).back().second,
              "Decide AutoSearch Directory / Try Again   \r読込先 Directoryを決定してください。\rもう一度File "
              "AutoSearch を実行してください。");
    EXPECT_EQ(s.view.m_searchStop, 1);

    // A folder that is not there is no choice either.
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueFilesAnswer(Folder(root / "gone"));
    s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_EQ(Boxes(s).size(), 2u);

    // Start box cancelled.
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueFilesAnswer(Folder(root));
    s.ui.QueueBoxAnswer(IDCANCEL);
    s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_EQ(Boxes(s).size(), 3u);
    EXPECT_EQ(s.view.m_slides.m_slideCount, 3u);

    // A deep-search value out of range keeps the dialog open with the range message.
    s.ui.QueueDialogAnswer(TypeAnswer("2"));
    s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_NE(s.Events("dialog").back().find("\"message\":\"Please enter an integer between 0 and 1.\""),
              std::string::npos);
    EXPECT_EQ(s.view.m_slides.m_slideCount, 3u);
}
TEST_F(Search, EscAndStopInThePreviewAndAtLevelOneEndAtOnce) {
    const fs::path root = SmallTree(Root());
    for (unsigned pump : {1u, 6u}) {  // the preview's first step; level 1's first entry
        test::ScriptedView run;
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        DialogAnswer stop;  // the stop-or-continue dialog answered STOP
        run.ui.QueueDialogAnswer(stop);
        run.ui.QueueAtPump(pump, {ScriptAction::Kind::Key, 27});
        run.ui.ResetPumpCount();
        run.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
        EXPECT_EQ(run.view.m_slides.m_slideCount, 0u) << pump;
        const auto boxes = Boxes(run);
        ASSERT_EQ(boxes.size(), 2u) << pump;
        EXPECT_EQ(boxes[1], std::make_pair(std::string("stop directory search ?"),
                                           std::string("検索を中断しますか? クリックしてください。")));
        EXPECT_EQ(run.view.m_searching, 0);
        EXPECT_EQ(run.view.m_searchStop, 1);
    }
}

TEST_F(Search, EscAndStopAtLevelTwoEndsTheWalkAfterTheFolder) {
    const fs::path root = SmallTree(Root());
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueFilesAnswer(Folder(root));
    s.ui.QueueDialogAnswer(DialogAnswer{});
    // Preview: 4 steps and one after; level 1: A, B, p.jpg; between levels: 1; level 2: A1 at 10.
    s.ui.QueueAtPump(10, {ScriptAction::Kind::Key, 27});
    s.ui.ResetPumpCount();
    s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_EQ(Slides(s.view), (std::vector<std::string>{root / "p.jpg", root / "A/p.jpg", root / "B/p.jpg",
                                                        root / "A/A1/p.jpg", root / "A/A2/p.jpg"}));
    EXPECT_TRUE(HasBox(s, "directory search",
                       "検索された sub directory 数 は...5個 です。\n  ディレクトリの深さは...2 です。"));
}

TEST_F(Search, EscAndStopInTheFilePhaseFinishesTheFolder) {
    const fs::path root = Root();
    for (const char* d : {"A", "B", "C"}) {
        fs::create_directory(root / d);
        Touch(root / d / "a.jpg");
        Touch(root / d / "b.jpg");
    }
    unsigned total = 0;
    {
        test::ScriptedView dry;
        dry.ui.QueueDialogAnswer(TypeAnswer());
        dry.ui.QueueFilesAnswer(Folder(root));
        dry.ui.ResetPumpCount();
        dry.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
        ASSERT_EQ(dry.view.m_slides.m_slideCount, 6u);
        total = dry.ui.PumpCount();
    }
    // The file phase's last steps: root, A, A's second match, B, ... C's second match.
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueFilesAnswer(Folder(root));
    s.ui.QueueDialogAnswer(DialogAnswer{});
    s.ui.QueueAtPump(total - 4, {ScriptAction::Kind::Key, 27});
    s.ui.ResetPumpCount();
    s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_EQ(Slides(s.view), (std::vector<std::string>{root / "A/a.jpg", root / "A/b.jpg"}));
    EXPECT_TRUE(HasBox(s, "検索された file 数", "検索された file 数 (JPEG) は...2個 です。"));
    EXPECT_EQ(s.view.m_searching, 0);
}

TEST_F(Search, FullSlideListInBothForms) {
    const fs::path root = Root();
    fs::create_directory(root / "A");
    Touch(root / "A/a.jpg");
    Touch(root / "A/b.jpg");
    const std::string a = (root / "A/a.jpg").string(), b = (root / "A/b.jpg").string();
    const std::string overText = "累積　stack　file 10000件over.1件目から上書きします:warning!!!";

    {  // the 10000th slide is a folder's first match; Loop
        test::ScriptedView run;
        run.view.m_slides.m_slideCount = 9999;
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        run.ui.QueueDialogAnswer(Ok());
        run.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
        EXPECT_FALSE(HasBox(run, "Vantor", overText));
        EXPECT_EQ(run.view.m_slides.m_slidePath[9999], a);
        EXPECT_EQ(run.view.m_slides.m_slidePath[1], b);
        EXPECT_EQ(run.view.m_slides.m_listFull, 10000u);
        EXPECT_EQ(run.view.m_slides.m_slideCount, 10000u);
        EXPECT_TRUE(HasBox(run, "検索された file 数", "検索された file 数 (JPEG) は...2個 です。"));
    }
    // Restart starts the list again from the match at hand, in both forms: no
    // placeholder enters the list.
    for (const std::uint32_t before : {9998u, 9999u}) {  // b, then a, is the 10000th
        test::ScriptedView run;
        run.view.m_slides.m_slideCount = before;
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        run.ui.QueueDialogAnswer(TypeAnswer("", 1014));
        run.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
        EXPECT_EQ(HasBox(run, "Vantor", overText), before == 9998u);
        const std::vector<std::string> expected =
            before == 9998u ? std::vector<std::string>{b} : std::vector<std::string>{a, b};
        EXPECT_EQ(Slides(run.view), expected);
        EXPECT_EQ(run.view.m_slides.m_slideName[0], before == 9998u ? "/b.jpg" : "/a.jpg");
        EXPECT_EQ(run.view.m_slides.m_slidePath2[0], run.view.m_slides.m_slidePath[0]);
        EXPECT_EQ(run.view.m_slides.m_listFull, 1u);
        EXPECT_EQ(run.view.m_slides.m_overChoice, 2);
        EXPECT_EQ(run.view.m_search.m_overClicked, 0);
    }
    {  // first match; Stop ends the phase
        test::ScriptedView run;
        run.view.m_slides.m_slideCount = 9999;
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        run.ui.QueueDialogAnswer(TypeAnswer("", 1015));
        run.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
        EXPECT_EQ(run.view.m_slides.m_slideCount, 10000u);
        EXPECT_EQ(run.view.m_slides.m_slidePath[9999], a);
        EXPECT_EQ(run.view.m_slides.m_slidePath[0], "Null");
        EXPECT_TRUE(HasBox(run, "検索された file 数", "検索された file 数 (JPEG) は...1個 です。"));
    }
    {  // a later match, the dialog cancelled: Loop
        test::ScriptedView run;
        run.view.m_slides.m_slideCount = 9998;
        run.view.m_slides.m_overChoice = 3;
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        run.ui.QueueDialogAnswer(DialogAnswer{});
        run.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
        EXPECT_EQ(run.view.m_slides.m_overChoice, 1);
        EXPECT_EQ(run.view.m_slides.m_slideCount, 10000u);
        EXPECT_EQ(run.view.m_slides.m_slidePath[9999], b);
    }
}

TEST_F(Search, ListChangingCommandsAreRefusedWhileItRuns) {
    const fs::path root = SmallTree(Root());
    s.view.m_slides.m_slideCount = 5;
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueFilesAnswer(Folder(root));
    s.ui.QueueAtPump(2, {ScriptAction::Kind::Command, ID_SLIDESHOW_FILE_CLEAR});
    s.ui.ResetPumpCount();
    s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_EQ(s.view.m_slides.m_slideCount, 11u);
    EXPECT_FALSE(s.view.LongRunActive());
}

TEST_F(Search, LinksToFoldersPseudoFileSystemsAndFifosAreNotEntered) {
    const fs::path root = Root();
    const fs::path outside = root / "outside";
    const fs::path tree = root / "tree";
    fs::create_directories(outside);
    fs::create_directories(tree);
    Touch(outside / "o.jpg");
    fs::create_directory_symlink(outside, tree / "link");
    fs::create_directory_symlink(tree, root / "treelink");
    Touch(tree / "t.jpg");
    ASSERT_EQ(mkfifo((tree / "pipe").c_str(), 0600), 0);
    // Named like pictures, but only regular files and links to them are slides.
    ASSERT_EQ(mkfifo((tree / "f.jpg").c_str(), 0600), 0);
    fs::create_symlink(tree / "t.jpg", tree / "l.jpg");
    fs::create_symlink(tree / "gone", tree / "d.jpg");
    fs::create_directory_symlink(outside, tree / "o.jpg");
    fs::create_directory(tree / "x.jpg");
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (tree / "s.jpg").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // The chosen root may itself be a link.
    AutoSearch(root / "treelink");
    close(sock);
    EXPECT_EQ(Slides(s.view), (std::vector<std::string>{tree / "l.jpg", tree / "t.jpg"}));

    FolderScanner scanner;
    std::vector<ScanEntry> entries;
    EXPECT_FALSE(scanner.List("/proc", true, entries));
    EXPECT_FALSE(scanner.List("/sys", true, entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(scanner.List((tree / "pipe").string(), true, entries));
    EXPECT_TRUE(IsPseudoFileSystemType("devtmpfs"));
    EXPECT_FALSE(IsPseudoFileSystemType("ext4"));
}

TEST_F(Search, NamesWithOddBytesContributeWhatTheyCan) {
    const fs::path root = Root();
    for (const std::string& d : {std::string("bad\xff"), std::string("back\\slash"), std::string("new\nline")}) {
        fs::create_directory(root / d);
        Touch(root / d / "p.jpg");
    }
    AutoSearch(root);
    EXPECT_EQ(s.view.m_slides.m_slideCount, 3u);
    for (const std::string& line : s.Lines()) EXPECT_TRUE(IsValidUtf8(line));
}

// Keeps the view's overlay rows as they stood when the file count box came.
class SnapshotUi : public ScriptUi {
public:
    using ScriptUi::ScriptUi;
    const CVantorView* view = nullptr;
    std::map<int, CVantorView::OverlayText> rows;
    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) override {
        if (caption == "検索された file 数" && view != nullptr) rows = view->Overlay();
        return ScriptUi::MessageBox(text, caption, buttons, icon);
    }
};

TEST_F(Search, ProgressLinesOfTheWalkAndTheFilePhase) {
    const fs::path root = SmallTree(Root());
    const std::string esc = "Press ESC to Abort ( 途中 中断のとき Esc キー押し下げ )";
    {  // stopped at level 1's second entry: the rows stay as drawn
        s.ui.QueueDialogAnswer(TypeAnswer());
        s.ui.QueueFilesAnswer(Folder(root));
        s.ui.QueueDialogAnswer(DialogAnswer{});
        s.ui.QueueAtPump(7, {ScriptAction::Kind::Key, 27});
        s.ui.ResetPumpCount();
        s.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
        const auto& rows = s.view.Overlay();
        EXPECT_EQ(rows.at(66).text, "( A )");
        EXPECT_EQ(rows.at(66).x, 6);
        EXPECT_EQ(rows.at(66).draws, 8u);  // three preview lines and one of level 1, each after the blank
        EXPECT_EQ(rows.at(36).text, esc);
        EXPECT_EQ(rows.at(116).text, "( 検索された sub directory 数 は...1個 です。 )");
    }
    std::ostringstream out;
    SnapshotUi ui(out);
    ScopedUi scope(ui);
    CVantorView view;
    ui.view = &view;
    ui.QueueDialogAnswer(TypeAnswer());
    ui.QueueFilesAnswer(Folder(root));
    view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
    EXPECT_EQ(view.m_slides.m_slideCount, 6u);
    EXPECT_EQ(ui.rows.at(96).text, "サブディレクトリ 検索中です");
    EXPECT_EQ(ui.rows.at(66).text, "( " + (root / "B/B1").string() + " )");
    EXPECT_EQ(ui.rows.at(146).text, "( p.jpg )");
    EXPECT_EQ(ui.rows.at(186).text, "( 検索中の sub directory は...5 / 6 です。 )");
    EXPECT_EQ(ui.rows.at(116).text, "( 検索された sub directory 数 は...6個 です。 ディレクトリの深さは...3 です。 )");
    EXPECT_EQ(ui.rows.at(206).text, "( 検索された file数は...5 個です。 )");
    EXPECT_EQ(ui.rows.at(36).text, esc);
    // The finish erases the view.
    EXPECT_TRUE(view.Overlay().empty());
}

}  // namespace
}  // namespace vantor
