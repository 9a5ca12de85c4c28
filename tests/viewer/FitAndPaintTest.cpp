// The fit of a picture into the frame, and what the paint draws.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <utility>

#include "TestSupport.h"
#include "resource.h"

namespace vantor {
namespace {

struct Fit {
    std::uint32_t w, h;
};

Fit RunFit(CVantorView& v, std::uint32_t w, std::uint32_t h, int mode) {
    v.m_buf.Replace(RgbBuffer(), w, h);
    v.m_output.m_outScaleMode = mode;
    v.ComputeFit();
    return {v.m_fit.m_fitWidth, v.m_fit.m_fitHeight};
}

// Known fits into the default 800 x 600 frame. The stored ratio and the source
// size are checked where a case is about them; the ratio is spoiled before each
// fit, so a stale one shows.
TEST(Fit, KnownSizesInEachMode) {
    struct Case {
        std::uint32_t w, h;
        int mode;
        std::uint32_t fitW, fitH;
        std::optional<std::uint32_t> ratio = std::nullopt;
        std::optional<std::pair<std::uint32_t, std::uint32_t>> source = std::nullopt;
    };
    const Case cases[] = {
        // 0: shrink what is larger, keep what is smaller
        {1600, 1200, 0, 800, 600},
        {1000, 300, 0, 800, 240},
        {300, 1000, 0, 180, 600, std::nullopt, std::pair{300u, 1000u}},
        {400, 300, 0, 400, 300},
        {801, 601, 0, 800, 600, 1u},  // one pixel over the frame is only clamped, no ratio computed
        {802, 600, 0, 800, 599, 100124u},
        // these wrapped in 32 bits: 50000 x 100 came out 800 x 11, and 52269752 x 1
        // made a ratio of 0 and a division by zero; the stored ratio saturates
        {50000, 100, 0, 800, 1},
        {52269752, 1, 0, 800, 0, 0xFFFFFFFFu},
        {1, 100000000, 0, 0, 600},
        {2233383, 1, 2, 800, 0},
        // 1: as it is; 2: enlarge or shrink to fit; 3: warp to the frame
        {2000, 1500, 1, 2000, 1500},
        {400, 300, 2, 800, 600},
        {400, 500, 2, 480, 600},
        {37, 5000, 3, 800, 600, std::nullopt, std::pair{801u, 601u}},
        // any mode above 3 behaves as 0
        {1600, 1200, 7, 800, 600},
    };
    test::ScriptedView sv;
    auto& v = sv.view;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h) + " mode " + std::to_string(c.mode));
        v.m_fit.m_fitRatio = 12345;
        const Fit f = RunFit(v, c.w, c.h, c.mode);
        EXPECT_EQ(f.w, c.fitW);
        EXPECT_EQ(f.h, c.fitH);
        EXPECT_EQ(v.m_fit.m_fitFrameWidth, 801u);
        EXPECT_EQ(v.m_fit.m_fitFrameHeight, 601u);
        EXPECT_EQ(c.ratio.value_or(v.m_fit.m_fitRatio), v.m_fit.m_fitRatio);
        EXPECT_EQ(c.source.value_or(std::pair(v.m_fit.m_fitSrcWidth, v.m_fit.m_fitSrcHeight)),
                  std::pair(v.m_fit.m_fitSrcWidth, v.m_fit.m_fitSrcHeight));
    }
}

// Every mode and frame over sizes up to the codecs' cap (100 megapixels, so a side
// of up to 10^8): the result stays in the frame and keeps the aspect.
TEST(Fit, HugeSizesNeitherWrapNorDivideByZero) {
    test::ScriptedView sv;
    auto& v = sv.view;
    Fit f{};
    const std::uint32_t sides[] = {1, 2, 599, 600, 601, 602, 801, 802, 6000, 42949, 42950, 50000, 1000000, 100000000};
    const std::pair<std::uint32_t, std::uint32_t> frames[] = {{800, 600}, {1, 1}, {6000, 6000}, {1024, 768}};
    for (auto [W, H] : frames) {
        v.m_output.m_maxWidth = W;
        v.m_output.m_maxHeight = H;
        for (std::uint32_t w : sides) {
            for (std::uint32_t h : sides) {
                for (int mode = 0; mode <= 3; ++mode) {
                    f = RunFit(v, w, h, mode);
                    const std::string at = std::to_string(w) + " x " + std::to_string(h) + " mode " +
                                           std::to_string(mode) + " frame " + std::to_string(W) + " x " +
                                           std::to_string(H);
                    if (mode == 1) {
                        EXPECT_EQ(f.w, w) << at;
                        EXPECT_EQ(f.h, h) << at;
                        continue;
                    }
                    ASSERT_LE(f.w, W) << at;
                    ASSERT_LE(f.h, H) << at;
                    if (mode == 3 || (w <= W + 1 && h <= H + 1)) continue;
                    // A shrunk picture fills the frame on one side, and the other side
                    // follows the aspect within the fixed-point rounding.
                    ASSERT_TRUE(f.w == W || f.h == H) << at;
                    const double expectW = std::min<double>(W, static_cast<double>(w) * H / h);
                    const double expectH = std::min<double>(H, static_cast<double>(h) * W / w);
                    EXPECT_NEAR(f.w, expectW, 2 + expectW * 0.002) << at;
                    EXPECT_NEAR(f.h, expectH, 2 + expectH * 0.002) << at;
                }
            }
        }
    }
}

// Records what the paint draws.
class RecordingCanvas : public Canvas {
public:
    struct Text {
        int x, y;
        std::string text;
        Rgb color;
    };
    std::vector<std::pair<Rect, Rgb>> fills;
    std::vector<Text> texts;
    std::vector<Rect> stretches;

    void FillRect(const Rect& r, Rgb c) override { fills.emplace_back(r, c); }
    void TextOut(int x, int y, const std::string& t, Rgb c) override { texts.push_back({x, y, t, c}); }
    void StretchImage(const Rect& dest, const DibImage&, const Rect&, StretchMode) override {
        stretches.push_back(dest);
    }
    const Text* Find(const std::string& prefix) const {
        for (const auto& t : texts) {
            if (t.text.rfind(prefix, 0) == 0) return &t;
        }
        return nullptr;
    }
    int Count(const std::string& prefix) const {
        int n = 0;
        for (const auto& t : texts) n += t.text.rfind(prefix, 0) == 0;
        return n;
    }
};

void GivePicture(CVantorView& v, std::uint32_t w, std::uint32_t h) {
    RgbBuffer pixels = AllocRgb(w, h);
    std::memset(pixels.get(), 0x80, static_cast<std::size_t>(w) * h * 3);
    v.m_buf.Replace(std::move(pixels), w, h);
}

TEST(Paint, WithoutAPictureOnlyTheHeaderAndTitle) {
    test::ScriptedView sv;
    RecordingCanvas c;
    sv.view.m_strFile = "/p/a.jpg";
    sv.view.OnDraw(c);
    ASSERT_EQ(c.texts.size(), 1u);
    EXPECT_EQ(c.texts[0].text, " /p/a.jpg    0 件 selectされています  ");
    EXPECT_EQ(c.texts[0].x, 332);
    EXPECT_EQ(c.texts[0].y, 5);
    EXPECT_EQ(c.texts[0].color, (Rgb{200, 200, 200}));
    EXPECT_TRUE(c.fills.empty());
    EXPECT_EQ(sv.ui.Title(), "Vantor - Windows Application for SLIDESHOW");
}

TEST(Paint, CentresInALargeClientAndBandsFollowTheBackground) {
    test::ScriptedView sv;
    auto& v = sv.view;
    sv.ui.SetClientSize(1000, 700);
    GivePicture(v, 400, 300);
    struct Case {
        int back;
        bool filled;
        Rgb band, text;
    };
    const Case cases[] = {{0, true, {255, 255, 255}, {200, 200, 200}},
                          {1, true, {200, 200, 200}, {255, 255, 255}},
                          {2, false, {}, {0, 0, 0}},
                          {3, true, {0, 0, 0}, {255, 255, 255}}};
    for (const auto& k : cases) {
        RecordingCanvas c;
        v.m_backColor = k.back;
        v.OnDraw(c);
        ASSERT_EQ(c.stretches.size(), 4u) << "speed 5, running: the stretch is drawn four times";
        EXPECT_EQ(c.stretches[0], (Rect{300, 200, 700, 500}));
        if (k.filled) {
            ASSERT_EQ(c.fills.size(), 4u);
            EXPECT_EQ(c.fills[0].first, (Rect{0, 0, 3000, 200}));
            EXPECT_EQ(c.fills[1].first, (Rect{0, 500, 3000, 3000}));
            EXPECT_EQ(c.fills[2].first, (Rect{0, 0, 300, 3000}));
            EXPECT_EQ(c.fills[3].first, (Rect{700, 0, 3000, 3000}));
            for (const auto& f : c.fills) EXPECT_EQ(f.second, k.band);
        } else {
            EXPECT_TRUE(c.fills.empty());
        }
        const auto* size = c.Find("( 400 x 300 / 400 x 300 )");
        ASSERT_NE(size, nullptr);
        EXPECT_EQ(size->x, 5);
        EXPECT_EQ(size->color, k.text);
    }
}

TEST(Paint, PlacementFallsBackTo30) {
    test::ScriptedView sv;
    auto& v = sv.view;
    GivePicture(v, 400, 300);
    v.m_haltState = 1;  // halted: one stretch
    RecordingCanvas narrow;
    sv.ui.SetClientSize(799, 700);
    v.OnDraw(narrow);
    ASSERT_EQ(narrow.stretches.size(), 1u);
    EXPECT_EQ(narrow.stretches[0].left, 30);
    EXPECT_EQ(narrow.stretches[0].top, 200);

    RecordingCanvas tall;
    sv.ui.SetClientSize(1000, 1000);
    v.OnDraw(tall);
    EXPECT_EQ(tall.stretches[0].left, 300);
    EXPECT_EQ(tall.stretches[0].top, 30) << "a margin of 350 is above 300";

    // A picture larger than the client gives a wrapped difference, hence 30.
    RecordingCanvas big;
    v.m_output.m_outScaleMode = 1;
    GivePicture(v, 2000, 1500);
    v.OnDraw(big);
    EXPECT_EQ(big.stretches[0], (Rect{30, 30, 2030, 1530}));
}

TEST(Paint, ProgressModeDecidesTheOverlay) {
    test::ScriptedView sv;
    auto& v = sv.view;
    test::TempDir dir;
    const std::string path = dir.File("a.bmp");
    test::WriteFile(path, std::vector<unsigned char>(1234, 0));
    v.m_slides.Store(0, path);
    v.m_slides.m_slideCount = 1;
    v.m_slideNo = 1;
    v.m_strFile = path;
    sv.ui.SetClientSize(1000, 700);
    GivePicture(v, 400, 300);

    RecordingCanvas c0;
    v.OnDraw(c0);
    EXPECT_EQ(c0.Count("( 1 / 1 )"), 2);
    const std::string help =
        "(" + path +
        "    1 件 selectされています  When running L Click->halt : L Click again->restart / When halt R "
        "Click or SpaceBar...backward<- : anyKey...forward-> )";
    EXPECT_EQ(c0.Count(help), 2) << "at the top and, shifted left, at the bottom";
    EXPECT_EQ(c0.Count("(" + path + "    1 件 selectされています )"), 2);
    const auto* name = c0.Find("/a.bmp");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->x, 2);
    EXPECT_EQ(name->y, 660);
    const auto* size = c0.Find("( 1234 bytes)");
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->y, 620);
    EXPECT_EQ(c0.Count("( 400 x 300 / 400 x 300 )"), 2);

    RecordingCanvas c1;
    v.m_progressMode = 1;
    v.OnDraw(c1);
    EXPECT_EQ(c1.Count("( 400 x 300 / 400 x 300 )"), 2);
    EXPECT_EQ(c1.Find("( 1234 bytes)"), nullptr);
    EXPECT_EQ(c1.Find("(" + path), nullptr);

    RecordingCanvas c2;
    v.m_progressMode = 2;
    sv.ui.SetStatusPane(0, "unchanged");
    v.OnDraw(c2);
    EXPECT_EQ(c2.Count("( 1 / 1 )"), 2) << "the slide number is always drawn, once per drawing";
    EXPECT_EQ(c2.Find("( 400 x 300"), nullptr);
    EXPECT_EQ(c2.Find("/a.bmp"), nullptr);
    EXPECT_EQ(sv.ui.StatusPane(0), "unchanged") << "mode 2 leaves the status panes alone";
}

TEST(Paint, StatusPanesAndPhase) {
    test::ScriptedView sv;
    auto& v = sv.view;
    GivePicture(v, 10, 10);
    v.m_strFile = "/x/y.jpg";
    RecordingCanvas c;
    v.OnDraw(c);
    EXPECT_EQ(v.m_statusPhase, 1);
    EXPECT_EQ(sv.ui.StatusPane(0), "@( /x/y.jpg  0 )");
    EXPECT_EQ(sv.ui.StatusPane(1),
              "(   Choose SLIDE_SHOW START from MENU for starting                             0 )");
    v.m_stopped = 0;
    v.m_haltState = 2;
    v.OnDraw(c);
    EXPECT_EQ(v.m_statusPhase, 0);
    EXPECT_EQ(sv.ui.StatusPane(1), "( !! Halting SlideShow (Press Esc KEY to Abort)  2 )");
    v.m_haltState = 0;
    v.OnDraw(c);
    EXPECT_EQ(sv.ui.StatusPane(1), "(  Running SlideShow (Press Esc KEY to Abort)   0 )");
}

TEST(Paint, DateLineIsRearranged) {
    // 2021-04-07 13:05:09 local time.
    std::tm tm{};
    tm.tm_year = 121;
    tm.tm_mon = 3;
    tm.tm_mday = 7;
    tm.tm_hour = 13;
    tm.tm_min = 5;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    const std::string line = DateLine(std::mktime(&tm));
    EXPECT_EQ(line, "2021  04 /  7  Wed 13:05:09");
    EXPECT_EQ(line.size(), 27u);
}

TEST(Effect, TogglesCycleAndCheck) {
    test::ScriptedView sv;
    auto& v = sv.view;
    EXPECT_FALSE(v.IsCommandChecked(ID_EFFECT_BACKGROUND));
    const int backs[] = {3, 0, 1, 3};
    for (int b : backs) {
        v.OnCommand(ID_EFFECT_BACKGROUND);
        EXPECT_EQ(v.m_backColor, b);
        EXPECT_EQ(v.IsCommandChecked(ID_EFFECT_BACKGROUND), b == 0);
    }
    v.m_backColor = 2;
    v.OnCommand(ID_EFFECT_BACKGROUND);
    EXPECT_EQ(v.m_backColor, 3);
    EXPECT_TRUE(v.IsCommandChecked(ID_EFFECT_PROGRESS_BAR));
    const std::uint32_t modes[] = {1, 2, 0};
    for (auto m : modes) {
        v.OnCommand(ID_EFFECT_PROGRESS_BAR);
        EXPECT_EQ(v.m_progressMode, m);
    }
    v.m_progressMode = 9;
    v.OnCommand(ID_EFFECT_PROGRESS_BAR);
    EXPECT_EQ(v.m_progressMode, 0u);
}

}  // namespace
}  // namespace vantor
