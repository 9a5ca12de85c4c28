#include <gtest/gtest.h>

#include "TestSupport.h"
#include "resource.h"
#include "slides/COverLimitDialog.h"
#include "viewer/Dialogs.h"

namespace vantor {
namespace {

DialogAnswer Ok(std::vector<std::pair<std::string, std::string>> values = {},
                std::vector<DialogAnswer::Step> steps = {}) {
    DialogAnswer a;
    a.button = IDOK;
    a.values = std::move(values);
    a.steps = std::move(steps);
    return a;
}

DialogAnswer::Step Scroll(ScrollCode code, int pos = 0) {
    DialogAnswer::Step step;
    step.kind = DialogAnswer::Step::Kind::Scroll;
    step.id = CSpeedDialog::kSlider;
    step.code = code;
    step.pos = pos;
    return step;
}

TEST(SpeedDialog, OpensWithTheSpeedOnTheSlider) {
    test::ScriptedView s;
    CSpeedDialog dlg;
    dlg.m_speedValue = 5;
    dlg.OnInitDialog();
    const ControlState& slider = dlg.Control(CSpeedDialog::kSlider);
    EXPECT_EQ(slider.scrollMin, 1);
    EXPECT_EQ(slider.scrollMax, 255);
    EXPECT_EQ(slider.scrollPos, 5);
    EXPECT_EQ(dlg.Control(CSpeedDialog::kEdit).text, "5");
    EXPECT_EQ(dlg.m_prevSpeedValue, 5);

    CSpeedDialog zero;
    zero.m_speedValue = 0;
    zero.OnInitDialog();
    EXPECT_EQ(zero.Control(CSpeedDialog::kSlider).scrollPos, 1);
    EXPECT_EQ(zero.Control(CSpeedDialog::kEdit).text, "0");
}

TEST(SpeedDialog, ArrowsMoveInStepsOfTwentyFiveWithinTheRange) {
    test::ScriptedView s;
    CSpeedDialog dlg;
    dlg.m_speedValue = 5;
    dlg.OnInitDialog();
    dlg.Scroll(CSpeedDialog::kSlider, ScrollCode::LineRight, 0);
    EXPECT_EQ(dlg.m_speedValue, 30);
    EXPECT_EQ(dlg.m_prevSpeedValue, 5);
    EXPECT_EQ(dlg.Control(CSpeedDialog::kEdit).text, "30");
    // The circle's red follows the previous value; green 0, blue 236.
    ASSERT_TRUE(dlg.Circle().has_value());
    EXPECT_EQ(dlg.Circle()->color, (Rgb{5, 0, 236}));
    EXPECT_EQ(dlg.Circle()->bounds, (Rect{16, 16, 86, 86}));
    EXPECT_EQ(dlg.Circle()->penWidth, 10);

    CSpeedDialog left;
    left.m_speedValue = 5;
    left.OnInitDialog();
    left.Scroll(CSpeedDialog::kSlider, ScrollCode::LineLeft, 0);
    EXPECT_EQ(left.m_speedValue, 1);

    CSpeedDialog top;
    top.m_speedValue = 240;
    top.OnInitDialog();
    top.Scroll(CSpeedDialog::kSlider, ScrollCode::LineRight, 0);
    EXPECT_EQ(top.m_speedValue, 255);
    top.Scroll(CSpeedDialog::kSlider, ScrollCode::ThumbPosition, 77);
    EXPECT_EQ(top.m_speedValue, 77);
    EXPECT_EQ(top.m_prevSpeedValue, 255);
    top.Scroll(CSpeedDialog::kSlider, ScrollCode::PageRight, 0);
    top.Scroll(CSpeedDialog::kSlider, ScrollCode::ThumbTrack, 200);
    EXPECT_EQ(top.m_speedValue, 77);
}

TEST(SpeedDialog, CommandStoresTheSpeedOnOk) {
    test::ScriptedView s;
    s.ui.QueueDialogAnswer(Ok({}, {Scroll(ScrollCode::LineRight)}));
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_SPEED));
    EXPECT_EQ(s.view.m_speed, 30u);

    s.ui.QueueDialogAnswer(Ok({{"m_speedValue", "0"}}));
    s.view.OnCommand(ID_SLIDESHOW_SPEED);
    EXPECT_EQ(s.view.m_speed, 0u);

    // Out of range: the range message, only Cancel is left, nothing changes.
    s.ui.QueueDialogAnswer(Ok({{"m_speedValue", "256"}}));
    s.view.OnCommand(ID_SLIDESHOW_SPEED);
    EXPECT_EQ(s.view.m_speed, 0u);

    s.ui.QueueDialogAnswer(DialogAnswer{});
    s.view.m_speed = 9;
    s.view.OnCommand(ID_SLIDESHOW_SPEED);
    EXPECT_EQ(s.view.m_speed, 9u);

    const auto dialogs = s.Events("dialog");
    ASSERT_EQ(dialogs.size(), 4u);
    EXPECT_EQ(dialogs[0],
              "{\"event\":\"dialog\",\"id\":139,\"title\":\"                    Slide Show Speed\",\"answer\":\"OK\"}");
    EXPECT_EQ(dialogs[2],
              "{\"event\":\"dialog\",\"id\":139,\"title\":\"                    Slide Show Speed\","
              "\"answer\":\"Cancel\",\"message\":\"Please enter an integer between 0 and 255.\"}");
}

TEST(ScaleDialog, ShowsTheDefaultImageSizeWithoutAnImage) {
    test::ScriptedView s;
    s.ui.QueueDialogAnswer(DialogAnswer{});
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_SCALE));
    EXPECT_EQ(s.view.m_origWidthShown, 801u);
    EXPECT_EQ(s.view.m_origHeightShown, 601u);

    CScaleDialog dlg;
    dlg.m_origWidth = s.view.m_width;
    dlg.m_origHeight = s.view.m_height;
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.Control(1006).text, "801");
    EXPECT_EQ(dlg.Control(1007).text, "601");
    for (int id : {1006, 1007, 1008, 1014, 1009, 1010}) EXPECT_FALSE(dlg.Control(id).enabled) << id;
    for (int id : {1003, 1004, 1005, 1011, 1012, 1013}) EXPECT_TRUE(dlg.Control(id).enabled) << id;
}

TEST(ScaleDialog, OkStoresEveryField) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    // Read-only fields go back as they were shown; the image size lands in the "shown" pair.
    v.m_buf.Replace(RgbBuffer(), 640, 480);
    v.m_output.m_dispScaleMode = 1;
    v.m_output.m_spare = 2;
    v.m_output.m_writePosition = 1;
    v.m_deepSearchSetting = 0;
    v.m_deepSearch = 1;
    s.ui.QueueDialogAnswer(
        Ok({{"#1003", "1024"}, {"#1004", "768"}, {"#1005", "2"}, {"#1011", "2"}, {"#1012", "9"}, {"#1013", "1"}}));
    ASSERT_TRUE(v.OnCommand(ID_SLIDESHOW_SCALE));
    EXPECT_EQ(v.m_output.m_maxWidth, 1024u);
    EXPECT_EQ(v.m_output.m_maxHeight, 768u);
    EXPECT_EQ(v.m_output.m_outScaleMode, 2);
    EXPECT_EQ(v.m_output.m_outBackColor, 2);
    EXPECT_EQ(v.m_output.m_jpegQualityIndex, 9);
    EXPECT_EQ(v.m_output.m_outFileType, 1);
    EXPECT_EQ(v.m_origWidthShown, 640u);
    EXPECT_EQ(v.m_origHeightShown, 480u);
    EXPECT_EQ(v.m_width, 640u);
    EXPECT_EQ(v.m_height, 480u);
    EXPECT_EQ(v.m_output.m_dispScaleMode, 1u);
    EXPECT_EQ(v.m_deepSearchSetting, 0);
    EXPECT_EQ(v.m_deepSearch, 0);
    EXPECT_EQ(v.m_output.m_spare, 2u);
    EXPECT_EQ(v.m_output.m_writePosition, 1u);
    EXPECT_EQ(s.Events("dialog").back(),
              "{\"event\":\"dialog\",\"id\":140,\"title\":\"                 Slide Show Scale\",\"answer\":\"OK\"}");
}

TEST(ScaleDialog, ANewFrameAndModeRefitTheCurrentPictureAtOnce) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    v.m_buf.Replace(AllocRgb(400, 300), 400, 300);
    s.ui.PaintIfNeeded();
    EXPECT_EQ(v.m_fit.m_fitWidth, 400u) << "mode 0 leaves a small picture as it is";
    s.ui.QueueDialogAnswer(Ok({{"#1003", "1024"}, {"#1004", "768"}, {"#1005", "2"}}));
    ASSERT_TRUE(v.OnCommand(ID_SLIDESHOW_SCALE));
    // The command asks for a repaint with erase; the next paint fits anew.
    s.ui.PaintIfNeeded();
    EXPECT_EQ(v.m_fit.m_fitWidth, 1024u);
    EXPECT_EQ(v.m_fit.m_fitHeight, 768u);
    EXPECT_EQ(v.m_fit.m_fitFrameWidth, 1025u);
}

TEST(ScaleDialog, EachEnabledFieldKeepsItsRange) {
    const std::vector<std::pair<std::string, std::string>> bad = {{"#1003", "0"},  {"#1003", "6001"}, {"#1004", "0"},
                                                                  {"#1005", "4"},  {"#1005", "-1"},   {"#1011", "3"},
                                                                  {"#1012", "10"}, {"#1013", "2"}};
    for (const auto& field : bad) {
        test::ScriptedView s;
        s.ui.QueueDialogAnswer(Ok({field}));
        s.view.OnCommand(ID_SLIDESHOW_SCALE);
        EXPECT_EQ(s.view.m_output.m_maxWidth, 800u) << field.first << "=" << field.second;
        EXPECT_EQ(s.view.m_output.m_maxHeight, 600u);
        EXPECT_EQ(s.view.m_output.m_outScaleMode, 0);
        EXPECT_NE(s.Events("dialog").back().find("\"answer\":\"Cancel\",\"message\":\"Please enter an integer between"),
                  std::string::npos)
            << s.Events("dialog").back();
    }
}

TEST(ScaleDialog, ImageWiderThanTheRangeCanOnlyBeCancelled) {
    test::ScriptedView s;
    s.view.m_buf.Replace(RgbBuffer(), 7000, s.view.m_height);
    s.ui.QueueDialogAnswer(Ok({{"#1003", "1024"}}));
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_SCALE));
    EXPECT_EQ(s.view.m_output.m_maxWidth, 800u);
    EXPECT_EQ(s.view.m_origWidthShown, 7000u);
    EXPECT_EQ(s.Events("dialog").back(),
              "{\"event\":\"dialog\",\"id\":140,\"title\":\"                 Slide Show Scale\","
              "\"answer\":\"Cancel\",\"message\":\"Please enter an integer between 0 and 6000.\"}");
}

struct JumpCase {
    std::uint32_t count;
    std::uint32_t slideNo;
    int target;
    std::uint32_t expected;
};

TEST(JumpDialog, TargetRules) {
    const JumpCase cases[] = {
        {100, 7, 50, 50}, {100, 7, 150, 99}, {100, 7, 0, 0}, {100, 7, 99, 99}, {100, 7, 100, 99},
        {1, 1, 1, 1},     {1, 0, 1, 0},      {1, 3, 5, 0},   {0, 4, 3, 4},     {0, 4, 0, 4},
    };
    for (const auto& c : cases) {
        test::ScriptedView s;
        s.view.m_slides.m_slideCount = c.count;
        s.view.m_slideNo = c.slideNo;
        s.ui.QueueDialogAnswer(Ok({{"m_jumpNo", std::to_string(c.target)}}));
        ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_JUMP));
        EXPECT_EQ(s.view.m_slideNo, c.expected) << "N " << c.count << " t " << c.target;
        EXPECT_EQ(s.view.m_jumpTarget, static_cast<std::uint32_t>(c.target));
    }
}

TEST(JumpDialog, OpensWithTheSlideNumberAndCancelKeepsIt) {
    test::ScriptedView s;
    s.view.m_slides.m_slideCount = 100;
    s.view.m_slideNo = 42;
    s.view.m_writtenCount = 17;
    s.ui.QueueDialogAnswer(DialogAnswer{});
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_JUMP));
    EXPECT_EQ(s.view.m_slideNo, 42u);
    EXPECT_EQ(s.view.m_jumpTarget, 42u);
    EXPECT_EQ(s.view.m_writtenCountShown, 17u);

    // The written count is read-only: typed text does not reach it.
    s.ui.QueueDialogAnswer(Ok({{"m_jumpNo", "10001"}}));
    s.view.OnCommand(ID_SLIDESHOW_JUMP);
    EXPECT_EQ(s.view.m_slideNo, 42u);
    EXPECT_EQ(s.Events("dialog").back(),
              "{\"event\":\"dialog\",\"id\":143,\"title\":\"      To Jump \",\"answer\":\"Cancel\","
              "\"message\":\"Please enter an integer between 0 and 10000.\"}");
}

TEST(JumpDialog, JumpDuringARunningShowShowsTheNextSlideAfterTheTarget) {
    // The pass after a jump to 15 shows 16.
    test::ScriptedView t;
    for (std::uint32_t i = 0; i < 20; ++i) t.view.m_slides.Store(i, "/nowhere/" + std::to_string(i + 1) + ".xcf");
    t.view.m_slides.m_slideCount = 20;
    t.view.m_speed = 0;
    t.ui.QueueDialogAnswer(Ok({{"m_jumpNo", "15"}}));
    t.ui.QueueAtPump(2, {ScriptAction::Kind::Command, ID_SLIDESHOW_JUMP});
    t.ui.QueueDialogAnswer(DialogAnswer{});  // slide 16 asks: stop
    ASSERT_TRUE(t.view.OnCommand(ID_SLIDESHOW_START));
    const auto tboxes = t.Events("box");
    ASSERT_EQ(tboxes.size(), 1u);
    EXPECT_NE(tboxes[0].find("/nowhere/16.xcf"), std::string::npos) << tboxes[0];
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

bool HasText(const DialogTemplate& t, const std::string& text) {
    for (const auto& c : t.controls) {
        if (c.text == text) return true;
    }
    return false;
}

// The texts the user reads on each dialog, typed here, so a slip in a template shows.
TEST(DialogTemplates, TitlesButtonsAndLabels) {
    struct Want {
        const DialogTemplate& t;
        const char* title;  // nullptr: not checked here
        std::vector<const char*> texts;
    };
    const Want wants[] = {
        {StopOrContinueDialogTemplate(),
         "Stop or Continue?    ( SlideShow / Searching / Sorting )",
         {"    NO.......CONTINUE SLIDE SHOW", "YES............STOP SLIDE SHOW", "Continue", "STOP"}},
        {SpeedDialogTemplate(),
         nullptr,
         {"表示スピード( speed )　早い( up )　->　遅い( down )",
          " 30.... 1 sec   100..... 3 sec   200.... 6 sec (概算値)",
          "  0,  1 のとき　max speed ( depend on machine ability )", "OK", "ｷｬﾝｾﾙ"}},
        {ScaleDialogTemplate(),
         nullptr,
         {"元の横の大きさ",
          "Original Width",
          "元の縦の大きさ",
          "Original Height",
          "1...正倍",
          "2...枠付正倍",
          "3...歪倍",
          "横の大きさ  ( 表示最大幅 )",
          "OUT File Max Width",
          "縦の大きさ  ( 表示最大高 )",
          "OUT File Max Height",
          "( OUT FILE SCALE )",
          "出力ファイルサイズ",
          "0...大縮小 / 小そのまま (Zoom Out For Fit)",
          "1...そのまま                (Straight)",
          "2...大縮小 / 小拡大      (Zoom Out / In  For Fit )",
          "3....歪出力                  (Zoom Warp For Fit / Full Size )",
          "( OUT BACK COLOR )",
          "出力背景　白...0( white )  灰..1( gray )  黒..2( black )",
          "( OUT JPEG QUALITY )",
          "出力JPG品質　    100%......0   95%......1   90%.....2   85%....3   80%....4",
          " 75%....5   70%.....6   65%....7   60%....8   50%....9",
          "( OUT FILE TYPE )",
          "JPGで出力...0   BMPで出力...1",
          "Deep_Search",
          "予備",
          "WRITEのときCENTER...0 / TOPEDGE..1",
          "そのまま...2",
          "( Display Size / File Out Size )。  画像サイズ(表示/出力)。",
          "ｷｬﾝｾﾙ"}},
        {JumpDialogTemplate(),
         nullptr,
         {"Slide Jump to (ｼﾞｬﾝﾌﾟ先) No.", "既 File_Writed Count",
          "Slide Show 実行中では　Jump先 No. を入力してください。",
          "File Write  実行前では 書込開始(Starting) No. を入力してください。", "ｷｬﾝｾﾙ"}},
        {OverLimitDialogTemplate(), "     Choose when over 10000", {"ｷｬﾝｾﾙ"}},
    };
    for (const Want& w : wants) {
        if (w.title != nullptr) {
            EXPECT_EQ(w.t.title, w.title);
        }
        for (const char* text : w.texts) EXPECT_TRUE(HasText(w.t, text)) << w.t.title << ": " << text;
    }
}

}  // namespace
}  // namespace vantor
