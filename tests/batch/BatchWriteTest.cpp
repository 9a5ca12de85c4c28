// The batch write through the scripted user, on real files: what the written
// pictures hold, checked with ImageMagick, an independent reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "TestSupport.h"
#include "batch/BatchTestSupport.h"
#include "batch/WriteRunSupport.h"

namespace vantor {
namespace {

using test::Answer;
using test::Field;
using test::Fields;
using test::Identify;
using test::MakeBmp;
using test::MakeJpeg;
using test::Shell;
using test::WriteRun;

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

}  // namespace
}  // namespace vantor
