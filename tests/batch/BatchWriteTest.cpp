// The batch write through the scripted user, on real files; the written files are
// checked with ImageMagick, an independent reader.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "TestSupport.h"
#include "batch/BatchTestSupport.h"
#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"
#include "platform/script/Json.h"
#include "resource.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::Identify;
using test::MakeBmp;
using test::MakeJpeg;
using test::Shell;

// PSNR in dB between a written file and a reference ImageMagick builds from the
// source with the given options.
double PsnrAgainst(const std::string& written, const std::string& source, const std::string& magickOptions) {
    const std::string ref = written + ".ref.png";
    Shell("convert '" + source + "' " + magickOptions + " '" + ref + "'");
    const std::string text = Shell("compare -metric PSNR '" + written + "' '" + ref + "' null: 2>&1");
    std::remove(ref.c_str());
    return text.rfind("inf", 0) == 0 ? 99.0 : std::atof(text.c_str());
}

// The largest difference from a colour of any channel in a rectangle of a file.
int MaxDeviation(const std::string& path, const std::string& crop, int r, int g, int b) {
    const std::string text = Shell("convert '" + path + "' -crop " + crop +
                                   " +repage -format '%[fx:round(minima.r*255)] %[fx:round(maxima.r*255)] "
                                   "%[fx:round(minima.g*255)] %[fx:round(maxima.g*255)] "
                                   "%[fx:round(minima.b*255)] %[fx:round(maxima.b*255)]' info:");
    int v[6] = {-999, -999, -999, -999, -999, -999};
    std::sscanf(text.c_str(), "%d %d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    const int want[6] = {r, r, g, g, b, b};
    int worst = 0;
    for (int i = 0; i < 6; ++i) worst = std::max(worst, std::abs(v[i] - want[i]));
    return worst;
}

void SetSlides(CVantorView& v, const std::vector<std::string>& paths) {
    for (std::uint32_t i = 0; i < paths.size(); ++i) v.StoreSlide(i, paths[i]);
    v.m_slideCount = static_cast<std::uint32_t>(paths.size());
}

std::string Field(const std::string& line, const char* name) {
    const Json j = Json::parse(line);
    return j.contains(name) ? j[name].get<std::string>() : std::string();
}

std::vector<std::string> Fields(const test::ScriptedView& s, const std::string& event, const char* name) {
    std::vector<std::string> out;
    for (const auto& line : s.Events(event)) out.push_back(Field(line, name));
    return out;
}

DialogAnswer Answer(int button, std::vector<std::pair<std::string, std::string>> values = {}) {
    DialogAnswer a;
    a.button = button;
    a.values = std::move(values);
    return a;
}

// A slide list, an output folder and a scripted user that answers the setup.
struct WriteRun {
    test::TempDir in;
    test::TempDir outDir;
    std::string out = outDir.path().string() + "/";
    test::ScriptedView s;

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
    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST(BatchWrite, DefaultsFrameOnGrayAndFillTheFrame) {
    WriteRun run;
    MakeJpeg(run.in.File("small.jpg"), 400, 300);
    MakeJpeg(run.in.File("big.jpg"), 1600, 1200);
    run.Slides({"small.jpg", "big.jpg"});
    run.Start();

    // The setup as the user sees it.
    const auto boxes = Fields(run.s, "box", "text");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0],
              "これから選択されているSLIDE_FILEを任意folderに書き込みます。\n Scale設定 -> "
              "書き込み対象folder設定の順にパラメータを設定してください。\n "
              "dafaultは800*600のグレーの矩形に縦横 fit させ出力させます(大->縮小/小そのまま)。\n jpeg or bmp "
              "出力の設定可\n originalの大きさで出力の時は そのまま(staright) / 他 小->大mode ひずみ変形mode 有り。");
    EXPECT_EQ(boxes[1], "選択された output folder  \r" + run.out + " に\r　書込み処理を実行します。");
    EXPECT_EQ(Field(run.s.Events("box")[1], "caption"), "Output Folder 選択終了");
    EXPECT_EQ(Fields(run.s, "filedialog", "title").at(0),
              "( Decide Output Folder )書込先 Directory 取得。MFC_DUMMY.JPGは dummy なのでOKしてください。");
    const auto dialogs = run.s.Events("dialog");
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_NE(dialogs[0].find("\"id\":140"), std::string::npos);
    EXPECT_NE(dialogs[1].find("\"id\":143"), std::string::npos);

    EXPECT_EQ(Fields(run.s, "write", "path"), (std::vector<std::string>{run.out + "small.JPG", run.out + "big.JPG"}));
    EXPECT_EQ(run.Written(), (std::vector<std::string>{"big.JPG", "small.JPG"}));
    EXPECT_EQ(run.s.view.m_writtenCount, 2u);
    EXPECT_EQ(run.s.view.m_stopped, 1);
    EXPECT_EQ(run.s.view.m_writeMode, 0);

    const std::string small = run.out + "small.JPG";
    EXPECT_EQ(Identify(small), "800 600 JPEG 75");
    // The picture at (200, 150), gray 200 around it, exact within the JPEG error.
    EXPECT_LE(MaxDeviation(small, "190x140+0+0", 200, 200, 200), 2);
    EXPECT_LE(MaxDeviation(small, "176x600+624+0", 200, 200, 200), 2);
    EXPECT_LE(MaxDeviation(small, "800x128+0+472", 200, 200, 200), 2);
    EXPECT_GE(PsnrAgainst(small, run.in.File("small.jpg"),
                          "-background 'rgb(200,200,200)' -gravity northwest -extent 800x600-200-150"),
              30.0);
    const std::string big = run.out + "big.JPG";
    EXPECT_EQ(Identify(big), "800 600 JPEG 75");
    EXPECT_GE(PsnrAgainst(big, run.in.File("big.jpg"), "-resize 800x600"), 30.0);
}

TEST(BatchWrite, StraightStretchedAndBmpOutput) {
    {  // mode 1: a 1024 x 768 BMP keeps its size and pixels
        WriteRun run;
        MakeBmp(run.in.File("wide.bmp"), 1024, 768);
        run.Slides({"wide.bmp"});
        run.Start("0", Answer(IDOK, {{"m_outScaleMode", "1"}}));
        EXPECT_EQ(run.Written(), std::vector<std::string>{"wide.JPG"});
        EXPECT_EQ(Identify(run.out + "wide.JPG"), "1024 768 JPEG 75");
        EXPECT_GE(PsnrAgainst(run.out + "wide.JPG", run.in.File("wide.bmp"), ""), 30.0);
    }
    {  // mode 3: stretched over the whole frame, no background
        WriteRun run;
        MakeJpeg(run.in.File("tall.jpg"), 300, 500);
        run.Slides({"tall.jpg"});
        run.Start("0", Answer(IDOK, {{"m_outScaleMode", "3"}}));
        EXPECT_EQ(Identify(run.out + "tall.JPG"), "800 600 JPEG 75");
        EXPECT_GE(PsnrAgainst(run.out + "tall.JPG", run.in.File("tall.jpg"), "-resize '800x600!'"), 30.0);
    }
    {  // BMP output on white, and mode 2 enlarges: x.jpg becomes a 24-bit x.BMP
        WriteRun run;
        MakeJpeg(run.in.File("x.jpg"), 400, 500);
        run.Slides({"x.jpg"});
        run.Start("0", Answer(IDOK, {{"m_outFileType", "1"}, {"m_outBackColor", "0"}, {"m_outScaleMode", "2"}}));
        EXPECT_EQ(run.Written(), std::vector<std::string>{"x.BMP"});
        EXPECT_EQ(Shell("identify -format '%w %h %m %z' '" + run.out + "x.BMP'"), "800 600 BMP3 8");
        const auto bytes = test::ReadFile(run.out + "x.BMP");
        ASSERT_GT(bytes.size(), 30u);
        EXPECT_EQ(bytes[28], 24);  // bits per pixel
        // 480 x 600 at (160, 0): white exactly on both sides.
        EXPECT_EQ(MaxDeviation(run.out + "x.BMP", "160x600+0+0", 255, 255, 255), 0);
        EXPECT_EQ(MaxDeviation(run.out + "x.BMP", "160x600+640+0", 255, 255, 255), 0);
        EXPECT_GE(PsnrAgainst(run.out + "x.BMP", run.in.File("x.jpg"),
                              "-resize 480x600 -background white -gravity center -extent 800x600"),
                  30.0);
    }
}

TEST(BatchWrite, SecondRunTakesFreeNamesAndQualityZeroIsOneHundred) {
    WriteRun run;
    MakeJpeg(run.in.File("a.jpg"), 320, 240);
    MakeJpeg(run.in.File("b.jpg"), 320, 240);
    run.Slides({"a.jpg", "b.jpg"});
    run.Start();
    run.Start("0", Answer(IDOK, {{"m_jpegQualityIndex", "0"}}));
    EXPECT_EQ(run.Written(), (std::vector<std::string>{"a.JPG", "a~(1).JPG", "b.JPG", "b~(1).JPG"}));
    EXPECT_EQ(Identify(run.out + "a~(1).JPG"), "800 600 JPEG 100");
    EXPECT_EQ(Identify(run.out + "a.JPG"), "800 600 JPEG 75");
    EXPECT_EQ(run.s.view.m_writtenCount, 4u);
}

TEST(BatchWrite, EveryEntryIsWrittenOnEveryRun) {
    // The step skipped a slide whose path was the last one shown or written, by
    // this run or by any run before it.
    struct Run {
        bool elsewhere;  // into a second folder
        bool bmp;        // as BMP
    };
    struct Case {
        const char* what;
        std::vector<std::string> slides;
        bool showFirst;  // a show of the list before the writes
        std::vector<Run> runs;
        std::vector<std::string> here, elsewhere;
    };
    const std::vector<Case> cases = {
        {"a second run into another folder", {"a.jpg"}, false, {{false, false}, {true, false}}, {"a.JPG"}, {"a.JPG"}},
        {"a second run as BMP", {"a.jpg"}, false, {{false, false}, {false, true}}, {"a.BMP", "a.JPG"}, {}},
        {"a picture listed twice in a row", {"a.jpg", "a.jpg"}, false, {{false, false}}, {"a.JPG", "a~(1).JPG"}, {}},
        {"a write after a show", {"a.jpg"}, true, {{false, false}}, {"a.JPG"}, {}},
    };
    for (const Case& c : cases) {
        WriteRun run;
        test::TempDir other;
        MakeJpeg(run.in.File("a.jpg"), 40, 30);
        run.Slides(c.slides);
        if (c.showFirst) {
            ASSERT_TRUE(run.s.view.OnCommand(ID_SLIDESHOW_START));
        }
        const std::string here = run.out;
        for (const Run& r : c.runs) {
            run.out = r.elsewhere ? other.path().string() + "/" : here;
            run.Start("0", r.bmp ? Answer(IDOK, {{"m_outFileType", "1"}}) : Answer(IDCANCEL));
        }
        EXPECT_EQ(run.Written(), c.here) << c.what;
        EXPECT_EQ(WriteRun::Names(other.path()), c.elsewhere) << c.what;
        EXPECT_EQ(run.s.view.m_writtenCount, c.here.size() + c.elsewhere.size()) << c.what;
    }
}

TEST(BatchWrite, ARunThatEndsOnAFailedSlideLeavesTheIdleStatus) {
    // The paint that follows a run sets the idle state only over a picture: a
    // last slide that loaded nothing left "Running SlideShow" in the status bar.
    const std::string idle = "(   Choose SLIDE_SHOW START from MENU for starting                             0 )";
    for (const bool writing : {false, true}) {
        WriteRun run;
        for (const char* n : {"a.jpg", "b.jpg"}) MakeJpeg(run.in.File(n), 40, 30);
        run.Slides({"a.jpg", "b.jpg", "gone.jpg"});
        if (writing) {
            run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));
            run.s.ui.QueueFilesAnswer({false, {run.out + "MFC_DUMMY.JPG"}});
            run.s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "0"}}));
        }
        run.s.ui.QueueDialogAnswer(Answer(IDOK));  // continue after the report
        ASSERT_TRUE(run.s.view.OnCommand(writing ? ID_FILE_WRITE_START : ID_SLIDESHOW_START));
        run.s.ui.PaintIfNeeded();
        EXPECT_EQ(run.s.ui.StatusPane(0), "@( " + run.in.File("gone.jpg") + "  0 )") << writing;
        EXPECT_EQ(run.s.ui.StatusPane(1), idle) << writing;
        EXPECT_EQ(run.s.view.m_stopped, 1);
    }
}

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
        std::string name = n == 0 ? "q.BMP" : n <= 9 ? "q~(" + std::to_string(n) + ").BMP" : "q~0" + std::to_string(n) + ".BMP";
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
        if (n <= 9) std::snprintf(suffix, sizeof suffix, "~(%u)", n);
        else if (n <= 99) std::snprintf(suffix, sizeof suffix, "~0%02u", n);
        else std::snprintf(suffix, sizeof suffix, "~%u", n);
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
    EXPECT_EQ(boxes[2], run.out + "a.JPG\nThis name and all its 9989 numbered names (~(1) to ~9989) are taken: nothing "
                                  "was written.");
    EXPECT_EQ(Fields(run.s, "dialog", "title").back(), "Stop or Continue?    ( SlideShow / Searching / Sorting )");
    EXPECT_EQ(Fields(run.s, "write", "path"), std::vector<std::string>{run.out + "b.JPG"});
    EXPECT_EQ(test::ReadFile(run.out + "a~9989.JPG"), std::vector<unsigned char>{7});
    EXPECT_EQ(run.s.view.m_writtenCount, 1u);
}

TEST(BatchWrite, UnsupportedEndingAndMissingPictureAreReported) {
    WriteRun run;
    MakeJpeg(run.in.File("photo.png"), 64, 48);
    MakeJpeg(run.in.File("ok.jpg"), 64, 48);
    ASSERT_EQ(::mkfifo(run.in.File("pipe.jpg").c_str(), 0600), 0);  // must never block
    run.Slides({"photo.png", "pipe.jpg", "gone.bmp", "ok.jpg"});
    run.s.ui.QueueDialogAnswer(Answer(IDCANCEL));
    run.s.ui.QueueFilesAnswer({false, {run.out + "MFC_DUMMY.JPG"}});
    run.s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "0"}}));
    for (int i = 0; i < 3; ++i) run.s.ui.QueueDialogAnswer(Answer(IDOK));  // continue
    ASSERT_TRUE(run.s.view.OnCommand(ID_FILE_WRITE_START));
    const auto boxes = Fields(run.s, "box", "text");
    const std::string report = "! m_buf は NULL です。書き込みは失敗しています!\n 中止しますか?";
    const std::vector<std::string> expected = {report,
                                               run.in.File("photo.png"),
                                               "JPEG :\nCan't open " + run.in.File("pipe.jpg") + "\n",
                                               report,
                                               run.in.File("pipe.jpg"),
                                               "Can't open file for reading :\n" + run.in.File("gone.bmp"),
                                               report,
                                               run.in.File("gone.bmp")};
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
        if (i < first) ++before;
        else if (i <= last) ++during;
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
        for (const std::string& chosen : std::vector<std::string>{"/MFC_DUMMY.JPG", "//MFC_DUMMY.JPG",
                                                                  "/tmp/../MFC_DUMMY.JPG",
                                                                  links.File("root") + "/MFC_DUMMY.JPG"}) {
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
    const std::vector<std::string> expected = {"JpegFile :\nCan't open " + missing + "a.JPG\n",
                                               "Write Error...中止しますか?", missing + "a.JPG",
                                               "JpegFile :\nCan't open " + missing + "b.JPG\n",
                                               "Write Error...中止しますか?", missing + "b.JPG"};
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
    run.Start("0", Answer(IDOK, {{"m_maxWidth", "640"}, {"m_maxHeight", "480"}, {"m_outScaleMode", "2"},
                                 {"m_outBackColor", "2"}, {"m_jpegQualityIndex", "3"}}));
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
    test::WriteFile(run.in.File("d.png"), {1, 2});
    const std::string failed = Shell(env + "'" + VANTOR_BINARY + "' --write '" + cli.path().string() + "' '" +
                                     run.in.File("d.png") + "' '" + run.in.File("c.jpg") + "' 2>&1; echo rc=$?");
    EXPECT_EQ(failed, "vantor: " + run.in.File("d.png") + ": the name does not end in .jpg, .jpeg, .jpe or .bmp\n" + c +
                          "c~(1).JPG\nrc=1\n");
    // The root folder is a usage error.
    EXPECT_EQ(Shell(env + "'" + VANTOR_BINARY + "' --write / '" + run.in.File("c.jpg") + "' 2>/dev/null; echo rc=$?"),
              "rc=2\n");
}

}  // namespace
}  // namespace vantor
