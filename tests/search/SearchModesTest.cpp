// The search's directory list: its limit, the select, remove and drive modes.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

#include "platform/FileSystem.h"
#include "platform/FolderScan.h"
#include "search/Search.h"
#include "search/SearchDialogs.h"
#include "search/SearchTestSupport.h"

namespace vantor {
namespace {

using namespace search_test;

// ---- the directory list limit ----------------------------------------------------------

// The walk runs with a small limit in place of the commands' 150000, so the tree
// stays small; everything the user sees but the counts is the same.
constexpr std::uint32_t kLimit = 50;

class SearchLimit : public Search {
protected:
    // A folder of kLimit - 1 entries: as the root it fills the list at level 1 exactly.
    // Its parent, the top, overflows the list by three at level 2; the top holds a
    // picture of its own and another folder with pictures one and two levels down.
    void SetUp() override {
        Search::SetUp();
        fs::create_directory(Big());
        for (std::uint32_t i = 0; i + 1 < kLimit; ++i) Touch(Big() / Entry(i));
        fs::create_directories(Root() / "zz/sub");
        for (const char* p : {"p.jpg", "zz/q.jpg", "zz/sub/r.jpg"}) Touch(Root() / p);
    }
    fs::path Big() const { return Root() / "big"; }
    static std::string Entry(std::uint32_t i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%06u", i);
        return name;
    }
    static void Run(test::ScriptedView& run, const fs::path& root) {
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        RunSearch(run.view, SearchMode::Auto, kLimit);
    }
    static unsigned LimitBoxes(const test::ScriptedView& run) {
        unsigned boxes = 0;
        for (const auto& b : Boxes(run))
            boxes += b.second == " directory数 150000件超ですが loopして最後迄検索します。";
        return boxes;
    }
};

TEST_F(SearchLimit, ExactlyFullAtLevelOneEndsTheWalkWithoutAPrompt) {
    EXPECT_EQ(kDirLimit, 150000u) << "the commands' limit is the one the box names";
    Run(s, Big());
    EXPECT_EQ(s.view.m_dirs.m_dirCount, kLimit);
    EXPECT_EQ(s.view.m_dirs.m_dirList[kLimit - 1], (Big() / Entry(kLimit - 2)).string());
    EXPECT_EQ(s.view.m_dirs.m_dirWrapped, 0);
    EXPECT_EQ(LimitBoxes(s), 0u);
    EXPECT_TRUE(HasBox(s, "directory search",
                       "検索された sub directory 数 は...50個 です。\n  ディレクトリの深さは...0 です。"));
}

TEST_F(SearchLimit, OkAtTheLimitSearchesToTheEndAndCancelEndsTheWalk) {
    const fs::path top = Root();
    {  // OK: the list grows past the limit for the rest of the walk; no folder is lost
        Run(s, top);
        EXPECT_EQ(LimitBoxes(s), 1u);
        EXPECT_EQ(s.view.m_dirs.m_dirWrapped, 1);
        EXPECT_EQ(s.view.m_dirs.m_dirList[0], top.string());
        EXPECT_EQ(s.view.m_dirs.m_dirList[kLimit + 2], (top / "zz/sub").string());
        EXPECT_EQ(s.view.m_dirs.m_dirCount, kLimit + 3);
        EXPECT_EQ(Slides(s.view), (std::vector<std::string>{top / "p.jpg", top / "zz/q.jpg", top / "zz/sub/r.jpg"}));
        EXPECT_TRUE(HasBox(s, "directory search",
                           "検索された sub directory 数 は...53個 です。\n  ディレクトリの深さは...3 です。"));
    }
    {  // Cancel: the walk ends there, the question asked once; the folders listed so far are searched
        test::ScriptedView run;
        run.ui.QueueBoxAnswer(IDOK);
        run.ui.QueueBoxAnswer(IDCANCEL);
        Run(run, top);
        EXPECT_EQ(LimitBoxes(run), 1u);
        EXPECT_EQ(run.view.m_dirs.m_dirList[0], top.string());
        EXPECT_EQ(run.view.m_dirs.m_dirCount, kLimit);
        EXPECT_EQ(Slides(run.view), (std::vector<std::string>{top / "p.jpg", top / "zz/q.jpg"}));
    }
}

// ---- the selection modes --------------------------------------------------------------------

const char* const kFolderHint =
    " Auto_search 関連の drive or folder 決定は computer->drive->folder の様に上から下へ。\n(from top to bottom)。\n"
    " drive or folder 決定後 press OK";

TEST_F(Search, SelectModeKeepsOnlyThePickedFolders) {
    const fs::path root = SmallTree(Root());
    {  // untouched: none of the first 500 stays
        test::ScriptedView run;
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        run.ui.QueueDialogAnswer(Ok());
        run.view.OnCommand(ID_AUTO_SEARCH_SELECT_MODE);
        EXPECT_EQ(Boxes(run).at(0).second, kFolderHint);
        EXPECT_EQ(run.view.m_slides.m_slideCount, 0u);
        EXPECT_EQ(run.view.m_dirs.m_dirList[0], kExcluded);
        const Json dialog = Json::parse(run.Events("dialog").at(1));
        EXPECT_EQ(dialog["title"], "検索対象Directory選択 複数可 (Select Multi directories)");
        const auto& lines = dialog["lists"]["1025"];
        ASSERT_EQ(lines.size(), 501u);
        EXPECT_EQ(lines[0], "Documentation ( 検索対象directory を選択 / 複数可 )");
        EXPECT_EQ(lines[1], root.string());
        EXPECT_EQ(lines[3], (root / "B").string());
        EXPECT_EQ(lines[4], "   .........");
    }
    {  // the first line restores the root; B's line keeps B and what lies below it, A's
       // folders are never listed
        test::ScriptedView run;
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        run.ui.QueueDialogAnswer(ListAnswer(CSearchDirDialog::kList, {0, 3}));
        run.view.OnCommand(ID_AUTO_SEARCH_SELECT_MODE);
        EXPECT_EQ(Slides(run.view), (std::vector<std::string>{root / "p.jpg", root / "B/p.jpg", root / "B/B1/p.jpg"}));
        EXPECT_EQ(run.view.m_dirs.m_dirList[1], kExcluded);
    }
    {  // 1 typed: the second list excludes the picked level-2 folder
        test::ScriptedView run;
        run.ui.QueueDialogAnswer(TypeAnswer());
        run.ui.QueueFilesAnswer(Folder(root));
        run.ui.QueueDialogAnswer(ListAnswer(CSearchDirDialog::kList, {0, 2, 3}, "1"));
        run.ui.QueueDialogAnswer(ListAnswer(CSearchDirDialog::kList, {4}));
        run.view.OnCommand(ID_AUTO_SEARCH_SELECT_MODE);
        EXPECT_EQ(Slides(run.view), (std::vector<std::string>{root / "p.jpg", root / "A/p.jpg", root / "B/p.jpg",
                                                              root / "A/A2/p.jpg", root / "B/B1/p.jpg"}));
        const Json second = Json::parse(run.Events("dialog").at(2));
        EXPECT_EQ(second["lists"]["1025"][6], (root / "B/B1").string());
        EXPECT_EQ(second["lists"]["1025"][7], "  ..........");
    }
}

TEST_F(Search, RemoveModeUntouchedGivesTheWholeSearch) {
    const fs::path root = SmallTree(Root());
    AutoSearch(root);
    const std::vector<std::string> whole = Slides(s.view);
    ASSERT_EQ(whole.size(), 6u);

    test::ScriptedView run;
    run.ui.QueueDialogAnswer(TypeAnswer());
    run.ui.QueueFilesAnswer(Folder(root));
    run.ui.QueueDialogAnswer(Ok());
    run.view.OnCommand(ID_AUTO_SEARCH_REMOVE_MODE);
    EXPECT_EQ(Slides(run.view), whole);
    const Json dialog = Json::parse(run.Events("dialog").at(1));
    EXPECT_EQ(dialog["title"], "検索対象外Directory選択 (Select Unsearch directories)");
    EXPECT_EQ(dialog["lists"]["1023"][0], "Documentation ( 検索からはずすdirectory を選択 / 複数可 )");

    // Deselecting A's line leaves A and its folders out; the rest stays.
    test::ScriptedView changed;
    changed.ui.QueueDialogAnswer(TypeAnswer());
    changed.ui.QueueFilesAnswer(Folder(root));
    changed.ui.QueueDialogAnswer(ListAnswer(CUnsearchDirDialog::kList, {0, 1, 3}));
    changed.view.OnCommand(ID_AUTO_SEARCH_REMOVE_MODE);
    EXPECT_EQ(Slides(changed.view), (std::vector<std::string>{root / "p.jpg", root / "B/p.jpg", root / "B/B1/p.jpg"}));
}

TEST_F(Search, MoreThanFiveHundredFoldersAfterLevelOne) {
    const fs::path root = Root();
    for (int i = 0; i < 505; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "d%03d", i);
        fs::create_directory(root / name);
        // Pictures at the ends of the list and on both sides of the cut are enough.
        if (i < 5 || i >= 490) Touch(root / name / "p.jpg");
    }
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueFilesAnswer(Folder(root));
    s.ui.QueueDialogAnswer(Ok());
    s.view.OnCommand(ID_AUTO_SEARCH_SELECT_MODE);
    // Indices 0..499 are excluded, d499..d504 (indices 500..505) are not.
    std::vector<std::string> expected;
    for (int i = 499; i < 505; ++i) expected.push_back((root / ("d" + std::to_string(i)) / "p.jpg").string());
    EXPECT_EQ(Slides(s.view), expected);
}

TEST_F(Search, DriveModeRootsAndCodes) {
    std::vector<std::string> rows = VolumeRoots();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "/");
    rows.resize(21, "/");
    EXPECT_EQ(CDriveDialog::RowOfCode(8), 0);
    EXPECT_EQ(CDriveDialog::RowOfCode(4), 1);
    EXPECT_EQ(CDriveDialog::RowOfCode(1), 2);
    EXPECT_EQ(CDriveDialog::RowOfCode(0), 3);
    EXPECT_EQ(CDriveDialog::RowOfCode(29), 20);
    EXPECT_EQ(CDriveDialog::RowOfCode(7), 2);
    EXPECT_EQ(CDriveDialog::CodeOfButton(1002), 4);
    EXPECT_EQ(CDriveDialog::CodeOfButton(1020), 29);

    // OK without a click takes the third row; both copies of the root are left out
    // in the list, so only the volume's first level is searched.
    s.ui.QueueDialogAnswer(TypeAnswer());
    s.ui.QueueDialogAnswer(Ok());
    s.ui.QueueDialogAnswer(ListAnswer(CUnsearchDirDialog::kList, {1, 2}));
    s.view.OnCommand(ID_AUTO_SEARCH_DRIVE_MODE);
    EXPECT_EQ(s.view.m_search.m_searchFolder, rows[2]);
    EXPECT_EQ(s.view.m_dirs.m_dirList[0], kExcluded);
    EXPECT_EQ(s.view.m_dirs.m_dirList[1], kExcluded);
    EXPECT_EQ(s.view.m_dirs.m_dirCount, 2u);
    const auto boxes = Boxes(s);
    EXPECT_EQ(boxes.at(1).second,
              "次の DRIVE 選択画面で 右下 more に 1 入力の時\n　次に folder選択画面が表示されます。\n明暗checkの "
              "bright_folder(明)が selectされます。\n moreが 0 の時 DRIVE 全体がdefaultで対象となります。");
    const Json drive = Json::parse(s.Events("dialog").at(1));
    EXPECT_EQ(drive["title"], "Choose  Current  Drive");
    const Json list = Json::parse(s.Events("dialog").at(2));
    EXPECT_EQ(list["lists"]["1023"][1], rows[2]);
    EXPECT_EQ(list["lists"]["1023"][2], kExcluded);
    EXPECT_EQ(list["lists"]["1023"][3], "   .........");

    // Cancel takes the fourth row.
    test::ScriptedView run;
    run.ui.QueueDialogAnswer(TypeAnswer());
    run.ui.QueueDialogAnswer(DialogAnswer{});
    run.ui.QueueBoxAnswer(IDCANCEL);
    run.view.OnCommand(ID_AUTO_SEARCH_DRIVE_MODE);
    EXPECT_EQ(run.view.m_search.m_searchFolder, rows[3]);
}

// Runs work in a child process whose private mount namespace has source bind-mounted
// at point, and returns what it wrote; "!" and the reason when the mount could not
// be made.
std::string InPrivateMount(const fs::path& source, const fs::path& point, const std::function<std::string()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return "!no pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string out;
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(source.c_str(), point.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            out = std::string("!") + std::strerror(errno);
        } else {
            out = work();
        }
        for (std::size_t done = 0; done < out.size();) {
            const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return pid > 0 ? text : "!no fork";
}

// The drive dialog's answer that picks the volume mounted at point, or nothing when
// the machine does not offer it as a volume.
std::optional<DialogAnswer> PickVolume(const fs::path& point) {
    const std::vector<std::string> rows = VolumeRoots();
    const auto it = std::find(rows.begin(), rows.end(), point.string() + "/");
    if (it == rows.end() || it - rows.begin() >= CDriveDialog::kRows) return std::nullopt;
    DialogAnswer a = Ok();
    a.steps.push_back({DialogAnswer::Step::Kind::Click,
                       CDriveDialog::ButtonOfRow(static_cast<int>(it - rows.begin())),
                       ScrollCode::EndScroll,
                       0,
                       {}});
    return a;
}

// Drive mode on a mounted volume: the second copy of its root always takes slot 1,
// whatever the volume holds (an empty one too) and whatever its mount point is called.
TEST_F(Search, DriveModeWalksTheWholeVolumeFromTheCopyOfItsRoot) {
    if (geteuid() != 0) VANTOR_SKIP_UNLESS_CI("mounting a volume needs root");
    const fs::path root = Root();
    fs::create_directories(root / "D/sub");
    Touch(root / "D/sub/p.jpg");
    fs::create_directory(root / "empty");
    fs::create_directories(root / "full/a");
    fs::create_directories(root / "full/b");
    Touch(root / "full/a/p.jpg");
    Touch(root / "full/b/p.jpg");
    struct Case {
        const char* source;
        const char* point;
        bool searchFirst;                 // an Auto Search of D and File Clear before
        std::vector<std::string> slides;  // below the volume's root
    };
    const Case cases[] = {
        {"empty", "vol", true, {}},
        {"full", "v.01", false, {"/a/p.jpg", "/b/p.jpg"}},
    };
    for (const Case& c : cases) {
        const fs::path point = root / c.point;
        fs::create_directory(point);
        const std::string result = InPrivateMount(root / c.source, point, [&] {
            const std::optional<DialogAnswer> pick = PickVolume(point);
            if (!pick) return std::string("!the mount is not offered as a volume");
            test::ScriptedView run;
            if (c.searchFirst) {
                run.ui.QueueDialogAnswer(TypeAnswer());
                run.ui.QueueFilesAnswer(Folder(root / "D"));
                run.view.OnCommand(ID_SLIDESHOW_AUTO_SEARCH);
                run.view.OnCommand(ID_SLIDESHOW_FILE_CLEAR);
            }
            run.ui.QueueDialogAnswer(TypeAnswer("0"));  // no folder kept for being a true folder
            run.ui.QueueDialogAnswer(*pick);
            run.ui.QueueDialogAnswer(Ok());  // the list untouched: the whole volume
            run.view.OnCommand(ID_AUTO_SEARCH_DRIVE_MODE);
            std::string out = run.view.m_dirs.m_dirList[1];
            for (const std::string& slide : Slides(run.view)) out += "\n" + slide;
            return out;
        });
        if (!result.empty() && result[0] == '!') VANTOR_SKIP_UNLESS_CI("no volume can be mounted here: " + result);
        const std::string volume = point.string() + "/";
        std::string expected = volume;
        for (const std::string& slide : c.slides) expected += "\n" + volume + slide;
        EXPECT_EQ(result, expected) << c.point;
    }
}

}  // namespace
}  // namespace vantor
