// The batch write through the scripted user, on real files: the names it chooses,
// the start number, the output folder, halts, stops and what it reports.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "batch/BatchTestSupport.h"
#include "batch/WriteRunSupport.h"
#include "imaging/JpegFile.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::Answer;
using test::Field;
using test::Fields;
using test::MakeBmp;
using test::MakeJpeg;
using test::Shell;
using test::WriteRun;

TEST(BatchWrite, FreeNameSuffixes) {
    test::TempDir dir;
    const std::string folder = dir.path().string() + "/";
    EXPECT_EQ(CVantorView::FreeOutputName(folder, "p.JPG"), folder + "p.JPG");
    test::WriteFile(folder + "p.JPG", {1});
    for (int n = 1; n <= 9; ++n) {
        const std::string expected = folder + "p~(" + std::to_string(n) + ").JPG";
        EXPECT_EQ(CVantorView::FreeOutputName(folder, "p.JPG"), expected);
        test::WriteFile(expected, {1});
    }
    EXPECT_EQ(CVantorView::FreeOutputName(folder, "p.JPG"), folder + "p~010.JPG");
    // Anything at a name takes it: a folder, a FIFO, a dangling link.
    fs::create_directory(folder + "p~010.JPG");
    ASSERT_EQ(::mkfifo((folder + "p~011.JPG").c_str(), 0600), 0);
    fs::create_symlink(folder + "nowhere", folder + "p~012.JPG");
    EXPECT_EQ(CVantorView::FreeOutputName(folder, "p.JPG"), folder + "p~013.JPG");
    test::WriteFile(folder + "q~099.BMP", {1});
    for (int n = 0; n <= 98; ++n) {
        std::string name = n == 0   ? "q.BMP"
                           : n <= 9 ? "q~(" + std::to_string(n) + ").BMP"
                                    : "q~0" + std::to_string(n) + ".BMP";
        test::WriteFile(folder + name, {1});
    }
    EXPECT_EQ(CVantorView::FreeOutputName(folder, "q.BMP"), folder + "q~100.BMP");
}

TEST(BatchWrite, AllNamesTakenWritesNothingAndReports) {
    WriteRun run;
    MakeJpeg(run.in.File("a.jpg"), 64, 48);
    MakeJpeg(run.in.File("b.jpg"), 64, 48);
    run.Slides({"a.jpg", "b.jpg"});
    // a.JPG and a~(1) .. a~9989: every name the search may take.
    test::WriteFile(run.out + "a.JPG", {7});
    for (unsigned n = 1; n <= 9989; ++n) {
        char suffix[16];
        if (n <= 9)
            std::snprintf(suffix, sizeof suffix, "~(%u)", n);
        else if (n <= 99)
            std::snprintf(suffix, sizeof suffix, "~0%02u", n);
        else
            std::snprintf(suffix, sizeof suffix, "~%u", n);
        // Links to one file: creating ten thousand files is slow on some disks.
        fs::create_hard_link(run.out + "a.JPG", run.out + "a" + suffix + ".JPG");
    }
    run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));  // scale
    run.s.ui.QueueFilesAnswer({false, {run.out + "MFC_DUMMY.JPG"}});
    run.s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "0"}}));
    run.s.ui.QueueDialogAnswer(Answer(IDOK));  // continue after the report
    ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
    const auto boxes = Fields(run.s, "box", "text");
    ASSERT_EQ(boxes.size(), 3u);
    // The name, and why nothing was written under it.
    EXPECT_EQ(boxes[2], run.out +
                            "a.JPG\nThis name and all its 9989 numbered names (~(1) to ~9989) are taken: nothing "
                            "was written.");
    EXPECT_EQ(Fields(run.s, "dialog", "title").back(), "Stop or Continue?    ( SlideShow / Searching / Sorting )");
    EXPECT_EQ(Fields(run.s, "write", "path"), std::vector<std::string>{run.out + "b.JPG"});
    EXPECT_EQ(test::ReadFile(run.out + "a~9989.JPG"), std::vector<unsigned char>{7});
    EXPECT_EQ(run.s.view.m_writtenCount, 1u);
}

TEST(BatchWrite, UnsupportedEndingAndMissingPictureAreReported) {
    WriteRun run;
    MakeJpeg(run.in.File("photo.xcf"), 64, 48);
    MakeJpeg(run.in.File("ok.jpg"), 64, 48);
    ASSERT_EQ(::mkfifo(run.in.File("pipe.jpg").c_str(), 0600), 0);  // must never block
    run.Slides({"photo.xcf", "pipe.jpg", "gone.bmp", "ok.jpg"});
    run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));
    run.s.ui.QueueFilesAnswer({false, {run.out + "MFC_DUMMY.JPG"}});
    run.s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "0"}}));
    for (int i = 0; i < 3; ++i) run.s.ui.QueueDialogAnswer(Answer(IDOK));  // continue
    ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
    const auto boxes = Fields(run.s, "box", "text");
    const std::string report = "! m_buf は NULL です。書き込みは失敗しています!\n 中止しますか?";
    const std::vector<std::string> expected = {
        report, run.in.File("photo.xcf"), "JPEG :\nCan't open " + run.in.File("pipe.jpg") + "\n",
        report, run.in.File("pipe.jpg"),  "Can't open file for reading :\n" + run.in.File("gone.bmp"),
        report, run.in.File("gone.bmp")};
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(boxes.begin() + 2, boxes.end()), expected);
    EXPECT_EQ(run.Written(), std::vector<std::string>{"ok.JPG"});
}

TEST(BatchWrite, StopAfterAReportEndsTheRun) {
    WriteRun run;
    MakeJpeg(run.in.File("b.jpg"), 64, 48);
    run.Slides({"a.gif.txt", "b.jpg", "c.jpg"});
    run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));
    run.s.ui.QueueFilesAnswer({false, {run.out + "MFC_DUMMY.JPG"}});
    run.s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "0"}}));
    run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));  // stop
    ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
    EXPECT_TRUE(run.Written().empty());
    EXPECT_EQ(run.s.view.m_stopped, 1);
}

// A frame that finds no memory: the window's run says so and, as its box says,
// ends after the next slide.
TEST(BatchWrite, AFrameWithoutMemoryEndsTheWindowsRunAfterTheNextSlide) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit under an address-space limit";
#endif
    WriteRun run;
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) MakeJpeg(run.in.File(n), 64, 48);
    run.Slides({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    const std::string transcript = test::RunInChild([&run] {
        // Room for the pictures, none for a 6000 x 6000 frame (103 MiB).
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line) && line.rfind("VmSize:", 0) != 0) {
        }
        const rlim_t used = std::strtoull(line.c_str() + 7, nullptr, 10) * 1024;
        const rlimit limit{used + (48 << 20), used + (48 << 20)};
        ::setrlimit(RLIMIT_AS, &limit);
        run.Start("0", Answer(IDOK, {{"m_maxWidth", "6000"}, {"m_maxHeight", "6000"}}));
        return run.s.out.str();
    });
    std::vector<std::string> boxes;
    std::istringstream lines(transcript);
    for (std::string line; std::getline(lines, line);) {
        if (Field(line, "event") == "box") boxes.push_back(Field(line, "text"));
    }
    // After the setup's two: slide 1, then slide 4; nothing of 2 and 3.
    const std::vector<std::string> noMemory = {"Unable to allocate DIB memory", "書き込み処理を中止します。"};
    ASSERT_EQ(boxes.size(), 6u) << transcript;
    EXPECT_EQ(std::vector<std::string>(boxes.begin() + 2, boxes.begin() + 4), noMemory);
    EXPECT_EQ(std::vector<std::string>(boxes.begin() + 4, boxes.end()), noMemory);
    EXPECT_TRUE(run.Written().empty());
}

TEST(BatchWrite, HaltedWritesNothingAndResumingWritesOn) {
    WriteRun run;
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) MakeJpeg(run.in.File(n), 64, 48);
    run.Slides({"a.jpg", "b.jpg", "c.jpg"});
    // Pass 2 starts at pump 4: halt there; many halted passes later, resume.
    run.s.ui.QueueAtPump(4, {ScriptAction::Kind::LeftClick, 0});
    run.s.ui.QueueAtPump(40, {ScriptAction::Kind::LeftClick, 0});
    run.s.ui.ResetPumpCount();
    run.Start();
    EXPECT_EQ(run.Written(), (std::vector<std::string>{"a.JPG", "b.JPG", "c.JPG"}));
    // From the first halted pass to the last, slide 1 is composed again and again
    // but nothing is written.
    const auto lines = run.s.Lines();
    std::size_t first = lines.size(), last = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("!! Halting SlideShow") == std::string::npos) continue;
        first = std::min(first, i);
        last = i;
    }
    ASSERT_LT(first, last);
    int before = 0, during = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("\"event\":\"write\"") == std::string::npos) continue;
        if (i < first)
            ++before;
        else if (i <= last)
            ++during;
    }
    EXPECT_EQ(before, 1);
    EXPECT_EQ(during, 0);
}

TEST(BatchWrite, StartNumbers) {
    struct Case {
        unsigned slides;
        const char* start;
        std::vector<std::string> written;
    };
    const std::vector<Case> cases = {
        {3, "0", {"s1.JPG", "s2.JPG", "s3.JPG"}},
        {3, "1", {"s1.JPG", "s2.JPG", "s3.JPG"}},
        {3, "2", {"s2.JPG", "s3.JPG"}},
        {3, "3", {"s3.JPG"}},  // the run always reaches the last slide
        {3, "7", {"s3.JPG"}},  // past the list: taken as the last slide
        {1, "1", {"s1.JPG"}},
        {1, "0", {"s1.JPG"}},
        {1, "2", {"s1.JPG"}},
    };
    for (const Case& c : cases) {
        WriteRun run;
        std::vector<std::string> names;
        for (unsigned i = 1; i <= c.slides; ++i) {
            names.push_back("s" + std::to_string(i) + ".jpg");
            MakeJpeg(run.in.File(names.back()), 40, 30);
        }
        run.Slides(names);
        run.s.view.m_writtenCount = 41;
        run.Start(c.start);
        EXPECT_EQ(run.Written(), c.written) << c.slides << " slides from " << c.start;
        // The jump dialog showed the count so far.
        EXPECT_NE(run.s.Events("dialog").at(1).find("\"id\":143"), std::string::npos);
        EXPECT_EQ(run.s.view.m_writtenCount, 41 + c.written.size());
    }
}

TEST(BatchWrite, OutputFolderChoice) {
    {  // the root is refused by what it is, under any name
        test::TempDir links;
        fs::create_directory_symlink("/", links.path() / "root");
        for (const std::string& chosen : std::vector<std::string>{
                 "/MFC_DUMMY.JPG", "//MFC_DUMMY.JPG", "/tmp/../MFC_DUMMY.JPG", links.File("root") + "/MFC_DUMMY.JPG"}) {
            WriteRun run;
            run.Slides({"a.jpg"});
            run.s.ui.QueueFilesAnswer({false, {chosen}});
            ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
            const auto boxes = run.s.Events("box");
            ASSERT_EQ(boxes.size(), 2u) << chosen;
            EXPECT_EQ(Field(boxes[1], "caption"), " !!! try_again !!! ");
            EXPECT_EQ(Field(boxes[1], "text"),
                      "output folder に drive/root_path は指定できません。\r 任意の folder を指定してください｡");
            EXPECT_EQ(run.s.Events("dialog").size(), 1u) << chosen;  // only the scale dialog
            EXPECT_EQ(run.s.view.m_writeMode, 0);
        }
    }
    {  // Cancel
        WriteRun run;
        run.Slides({"a.jpg"});
        ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
        const auto boxes = run.s.Events("box");
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(Field(boxes[1], "caption"), "書込み先ﾌｫﾙﾀﾞ取得失敗!!");
        EXPECT_EQ(Field(boxes[1], "text"),
                  "Decide Out Directory / Try Again   \r書込先 Directoryを決定してください。\rもう一度File Write "
                  "Startを実行してください。");
    }
    {  // another name typed: only its folder counts, nothing is written under it
        WriteRun run;
        MakeJpeg(run.in.File("a.jpg"), 40, 30);
        run.Slides({"a.jpg"});
        run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));
        run.s.ui.QueueFilesAnswer({false, {run.out + "mine.jpg"}});
        run.s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "0"}}));
        ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
        EXPECT_EQ(run.s.view.m_outFolder, run.out);
        EXPECT_EQ(run.s.view.m_tempBmpPath, run.out + "MFC_DUMMY.BMP");
        EXPECT_EQ(run.Written(), std::vector<std::string>{"a.JPG"});
    }
    {  // Cancel at the confirmation and at the jump dialog: nothing runs
        WriteRun run;
        MakeJpeg(run.in.File("a.jpg"), 40, 30);
        run.Slides({"a.jpg"});
        run.s.ui.QueueFilesAnswer({false, {run.out + "MFC_DUMMY.JPG"}});
        run.s.ui.QueueBoxAnswer(IDOK);
        run.s.ui.QueueBoxAnswer(IDCANCEL);
        ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
        run.s.ui.QueueFilesAnswer({false, {run.out + "MFC_DUMMY.JPG"}});
        ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));  // the jump dialog is cancelled
        EXPECT_TRUE(run.Written().empty());
        EXPECT_EQ(run.s.view.m_writeMode, 0);
    }
}

TEST(BatchWrite, MissingOrUnwritableFolderFailsEachWrite) {
    WriteRun run;
    MakeJpeg(run.in.File("a.jpg"), 40, 30);
    MakeJpeg(run.in.File("b.jpg"), 40, 30);
    run.Slides({"a.jpg", "b.jpg"});
    const std::string missing = run.out + "nope/";
    run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));
    run.s.ui.QueueFilesAnswer({false, {missing + "MFC_DUMMY.JPG"}});
    run.s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "0"}}));
    run.s.ui.QueueDialogAnswer(Answer(IDOK));  // continue after a
    run.s.ui.QueueDialogAnswer(Answer(IDOK));  // continue after b
    ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
    const auto boxes = Fields(run.s, "box", "text");
    const std::vector<std::string> expected = {
        "JpegFile :\nCan't open " + missing + "a.JPG\n", "Write Error...中止しますか?", missing + "a.JPG",
        "JpegFile :\nCan't open " + missing + "b.JPG\n", "Write Error...中止しますか?", missing + "b.JPG"};
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(boxes.begin() + 2, boxes.end()), expected);
    EXPECT_TRUE(run.s.Events("write").empty());
    EXPECT_EQ(run.s.view.m_writtenCount, 0u);
    EXPECT_TRUE(run.Written().empty());

    if (::geteuid() == 0) return;  // permissions do not stop root
    ASSERT_EQ(::chmod(run.outDir.path().c_str(), 0555), 0);
    run.s.ClearTranscript();
    run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));
    run.s.ui.QueueFilesAnswer({false, {run.out + "MFC_DUMMY.JPG"}});
    run.s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "0"}}));
    run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));  // stop after the first failure
    ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
    ::chmod(run.outDir.path().c_str(), 0755);
    const auto again = Fields(run.s, "box", "text");
    ASSERT_EQ(again.size(), 5u);
    EXPECT_EQ(again[3], "Write Error...中止しますか?");
    EXPECT_TRUE(run.Written().empty());
}

// The command line's batch against the window's write with the same settings.
TEST(BatchCommandLine, SameFilesAsTheWindowAndExitStatus) {
    WriteRun run;
    MakeJpeg(run.in.File("a.jpg"), 2000, 1500);
    MakeBmp(run.in.File("b.bmp"), 333, 222);
    MakeJpeg(run.in.File("c.jpg"), 120, 500);
    run.Slides({"a.jpg", "b.bmp", "c.jpg"});
    run.Start("0", Answer(IDOK, {{"m_maxWidth", "640"},
                                 {"m_maxHeight", "480"},
                                 {"m_outScaleMode", "2"},
                                 {"m_outBackColor", "2"},
                                 {"m_jpegQualityIndex", "3"}}));
    ASSERT_EQ(run.Written().size(), 3u);

    test::TempDir cli;
    const std::string env = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    const std::string cmd = env + "'" + VANTOR_BINARY + "' --write '" + cli.path().string() +
                            "' --frame 640x480 --mode 2 --background black --quality 3 '" + run.in.path().string() +
                            "'";
    const std::string out = Shell(cmd + " 2>/dev/null; echo rc=$?");
    const std::string c = cli.path().string() + "/";
    EXPECT_EQ(out, c + "a.JPG\n" + c + "b.JPG\n" + c + "c.JPG\nrc=0\n");
    for (const char* n : {"a.JPG", "b.JPG", "c.JPG"})
        EXPECT_EQ(test::ReadFile(c + n), test::ReadFile(run.out + n)) << n;

    // A failure is reported on standard error and the rest is written: status 1.
    test::WriteFile(run.in.File("d.xcf"), {1, 2});
    const std::string failed = Shell(env + "'" + VANTOR_BINARY + "' --write '" + cli.path().string() + "' '" +
                                     run.in.File("d.xcf") + "' '" + run.in.File("c.jpg") + "' 2>&1; echo rc=$?");
    EXPECT_EQ(failed, "vantor: " + run.in.File("d.xcf") +
                          ": the name does not end in .jpg, .jpeg, .jpe, .bmp, .png, .gif, .webp, .tif, .tiff, .heic, "
                          ".heif or .avif\n" +
                          c + "c~(1).JPG\nrc=1\n");
    // The root folder is a usage error.
    EXPECT_EQ(Shell(env + "'" + VANTOR_BINARY + "' --write / '" + run.in.File("c.jpg") + "' 2>/dev/null; echo rc=$?"),
              "rc=2\n");
}

}  // namespace
}  // namespace vantor
