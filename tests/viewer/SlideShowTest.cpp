#include <gtest/gtest.h>

#include "TestSupport.h"
#include "resource.h"
#include "viewer/TestBmp.h"

namespace vantor {
namespace {

using Action = ScriptAction;
const Action kLeft{Action::Kind::LeftClick, 0};
const Action kRight{Action::Kind::RightClick, 0};
Action Key(int vk) { return {Action::Kind::Key, vk}; }

// Fills the list as File Select would.
void SetSlides(CVantorView& v, const std::vector<std::string>& paths) {
    for (std::uint32_t i = 0; i < paths.size(); ++i) v.m_slides.Store(i, paths[i]);
    v.m_slides.m_slideCount = static_cast<std::uint32_t>(paths.size());
}

// A number field of every event of one kind, in order.
std::vector<unsigned> NumberField(const test::ScriptedView& s, const std::string& event, const std::string& field) {
    const std::string key = "\"" + field + "\":";
    std::vector<unsigned> numbers;
    for (const auto& line : s.Events(event)) {
        numbers.push_back(static_cast<unsigned>(std::stoul(line.substr(line.find(key) + key.size()))));
    }
    return numbers;
}

std::vector<unsigned> SlideNumbers(const test::ScriptedView& s) { return NumberField(s, "slide", "number"); }
std::vector<unsigned> SleepTimes(const test::ScriptedView& s) { return NumberField(s, "sleep", "ms"); }

// A list of count BMP slides at speed 0.
struct BmpShow {
    explicit BmpShow(unsigned count) : paths(test::WriteBmpSlides(dir, count)) {
        SetSlides(s.view, paths);
        s.view.m_speed = 0;
    }
    test::TempDir dir;
    std::vector<std::string> paths;
    test::ScriptedView s;
};

DialogAnswer Continue() {
    DialogAnswer a;
    a.button = IDOK;
    return a;
}

DialogAnswer Stop() { return DialogAnswer{}; }

// Each pass of the loop pumps three times; pass k pumps k*3-2 (before the slide
// step), k*3-1 and k*3 (after it).
constexpr unsigned AfterSlideOfPass(unsigned k) { return k * 3 - 1; }

TEST(SlideShow, EveryCountShowsEachSlideOnce) {
    // One slide is shown too: the loop ran only while the slide number was below N.
    for (unsigned n : {1u, 2u}) {
        BmpShow show(n);
        test::ScriptedView& s = show.s;
        ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
        std::vector<unsigned> all;
        for (unsigned k = 1; k <= n; ++k) all.push_back(k);
        EXPECT_EQ(SlideNumbers(s), all) << n << " slides";
        EXPECT_EQ(SleepTimes(s), std::vector<unsigned>(n, 0)) << n << " slides";
        EXPECT_EQ(s.ui.PumpCount(), 3 * n) << n << " slides";
        EXPECT_EQ(s.view.m_slideNo, n);
        EXPECT_EQ(s.view.m_stopped, 1);
        EXPECT_EQ(s.ui.Title(), "VANTOR FOR SLIDE SHOW WINDOWS APPLICATION");
    }
}

TEST(SlideShow, EveryRunLoadsItsFirstSlide) {
    // The path last shown outlived the run: a second show of the same slide, or
    // a show after another picture was opened, left the old picture on screen.
    BmpShow show(1);
    test::ScriptedView& s = show.s;
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    s.view.LoadBmpFile(test::WriteBmpSlides(show.dir, 2)[1]);  // as File Open leaves it
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 1}));
    EXPECT_EQ(s.view.m_width, 3u);
}

TEST(SlideShow, ThreeSlidesAtSpeedZeroShowInOrderThenEnd) {
    BmpShow show(3);
    test::ScriptedView& s = show.s;
    const auto& paths = show.paths;
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 2, 3}));
    const auto slides = s.Events("slide");
    ASSERT_EQ(slides.size(), 3u);
    EXPECT_EQ(slides[0],
              "{\"event\":\"slide\",\"number\":1,\"path\":" + Json(paths[0]).dump() + ",\"width\":3,\"height\":2}");
    EXPECT_EQ(slides[2],
              "{\"event\":\"slide\",\"number\":3,\"path\":" + Json(paths[2]).dump() + ",\"width\":5,\"height\":2}");
    EXPECT_EQ(SleepTimes(s), (std::vector<unsigned>{0, 0, 0}));
    EXPECT_TRUE(s.Events("box").empty());
    EXPECT_EQ(s.view.m_stopped, 1);
    EXPECT_EQ(s.view.m_slideNo, 3u);
    EXPECT_EQ(s.view.m_strFile, paths[2]);
    EXPECT_EQ(s.ui.PumpCount(), 9u);
}

TEST(SlideShow, ClicksAndKeysHaltStepAndResume) {
    BmpShow show(5);
    test::ScriptedView& s = show.s;
    s.ui.QueueAtPump(AfterSlideOfPass(1), kRight);    // running: nothing
    s.ui.QueueAtPump(AfterSlideOfPass(2), kLeft);     // halt on slide 2
    s.ui.QueueAtPump(AfterSlideOfPass(3), kRight);    // back to 1
    s.ui.QueueAtPump(AfterSlideOfPass(4), Key('A'));  // ahead to 2
    s.ui.QueueAtPump(AfterSlideOfPass(5), Key(13));   // ahead to 3
    s.ui.QueueAtPump(AfterSlideOfPass(6), Key(32));   // Space: back to 2
    s.ui.QueueAtPump(AfterSlideOfPass(7), kLeft);     // resume with 3
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    // While halted (before the first step), the pass reloads the same slide.
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 2, 2, 1, 2, 3, 2, 3, 4, 5}));
    EXPECT_TRUE(s.Events("dialog").empty());
    EXPECT_EQ(s.view.m_stopped, 1);
    // Halted: a zero sleep; stepping: none; running: the speed's delay.
    EXPECT_EQ(SleepTimes(s).size(), 6u);
}

TEST(SlideShow, StepBackStopsAtTheFirstSlide) {
    BmpShow show(3);
    test::ScriptedView& s = show.s;
    s.ui.QueueAtPump(AfterSlideOfPass(1), kLeft);
    s.ui.QueueAtPump(AfterSlideOfPass(2), kRight);
    s.ui.QueueAtPump(AfterSlideOfPass(3), kRight);
    s.ui.QueueAtPump(AfterSlideOfPass(4), kLeft);
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 1, 2, 3}));
    EXPECT_EQ(s.view.m_stopped, 1);
}

TEST(SlideShow, TwoStepsBackOnTheFirstSlideStayThere) {
    // A right click and Space in the same pass while on slide 1.
    BmpShow show(3);
    test::ScriptedView& s = show.s;
    s.ui.QueueAtPump(AfterSlideOfPass(1), kLeft);
    s.ui.QueueAtPump(AfterSlideOfPass(2), kRight);
    s.ui.QueueAtPump(AfterSlideOfPass(2), Key(32));
    s.ui.QueueAtPump(AfterSlideOfPass(3), kLeft);
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    for (const auto& box : s.Events("box")) EXPECT_EQ(box.find("\"text\":\"Null\""), std::string::npos) << box;
    EXPECT_EQ(s.view.m_curSlidePath, s.view.m_slides.m_slidePath[2]);
    EXPECT_EQ(s.view.m_slideNo, 3u);
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 1, 2, 3}));
}

TEST(SlideShow, StepBackAfterAJumpToZeroGoesToTheFirstSlide) {
    BmpShow show(4);
    test::ScriptedView& s = show.s;
    DialogAnswer jump;
    jump.button = IDOK;
    jump.values = {{"m_jumpNo", "0"}};
    s.ui.QueueDialogAnswer(jump);
    s.ui.QueueAtPump(AfterSlideOfPass(1), kLeft);
    s.ui.QueueAtPump(AfterSlideOfPass(2), kRight);
    s.ui.QueueAtPump(AfterSlideOfPass(2), Action{Action::Kind::Command, ID_SLIDESHOW_JUMP});
    s.ui.QueueAtPump(AfterSlideOfPass(3), kLeft);
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    for (const auto& box : s.Events("box")) EXPECT_EQ(box.find("\"text\":\"Null\""), std::string::npos) << box;
    EXPECT_EQ(s.view.m_slideNo, 4u);
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 1, 2, 3, 4}));
}

TEST(SlideShow, EscAnsweredStopEndsAfterTheLastSlide) {
    BmpShow show(6);
    test::ScriptedView& s = show.s;
    s.ui.QueueDialogAnswer(Stop());
    s.ui.QueueAtPump(AfterSlideOfPass(1), Key(27));
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 6}));
    const auto dialogs = s.Events("dialog");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0],
              "{\"event\":\"dialog\",\"id\":141,\"title\":\"Stop or Continue?    ( SlideShow / Searching / Sorting )\","
              "\"answer\":\"Cancel\"}");
    EXPECT_EQ(s.view.m_stopped, 1);
}

TEST(SlideShow, AnyKeyWhileRunningAsksAndContinueGoesOn) {
    BmpShow show(4);
    test::ScriptedView& s = show.s;
    s.ui.QueueDialogAnswer(Continue());
    s.ui.QueueAtPump(AfterSlideOfPass(1), Key('X'));
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 2, 3, 4}));
    EXPECT_EQ(s.Events("dialog").size(), 1u);
}

TEST(SlideShow, AbortShowsTheLastSlideOnceThenEnds) {
    BmpShow show(6);
    test::ScriptedView& s = show.s;
    s.ui.QueueAtPump(AfterSlideOfPass(2), Action{Action::Kind::Command, ID_VIEW_ABORT});
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 2, 6}));
    EXPECT_EQ(s.view.m_stopped, 1);
    EXPECT_EQ(s.view.m_haltState, 0);
}

TEST(SlideShow, DelayForEachSpeed) {
    // Two slides that load nothing (no loader for their ending): two passes, two delays.
    const std::pair<std::uint32_t, unsigned> cases[] = {
        {0, 0},     {1, 1},     {4, 4},     {5, 130},    {13, 338},   {14, 504},   {30, 1080},   {33, 1188},
        {34, 1360}, {55, 2200}, {56, 2576}, {100, 4600}, {110, 5060}, {111, 5550}, {200, 10000}, {255, 12750}};
    for (const auto& [speed, ms] : cases) {
        test::ScriptedView s;
        SetSlides(s.view, {"/nowhere/a.xcf", "/nowhere/b.xcf"});
        s.view.m_speed = speed;
        ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
        EXPECT_EQ(SleepTimes(s), (std::vector<unsigned>{ms, ms})) << "speed " << speed;
        EXPECT_EQ(CVantorView::DelayForSpeed(speed), ms);
        EXPECT_TRUE(s.Events("box").empty());
    }
}

TEST(SlideShow, SpeedChangedDuringTheShowAppliesToTheNextDelay) {
    test::ScriptedView s;
    SetSlides(s.view, {"/nowhere/a.xcf", "/nowhere/b.xcf", "/nowhere/c.xcf"});
    s.view.m_speed = 5;
    DialogAnswer a;
    a.button = IDOK;
    a.values = {{"m_speedValue", "30"}};
    s.ui.QueueDialogAnswer(a);
    s.ui.QueueAtPump(AfterSlideOfPass(2), Action{Action::Kind::Command, ID_SLIDESHOW_SPEED});
    // Slide 3 loads nothing and asks; go on.
    s.ui.QueueDialogAnswer(Continue());
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SleepTimes(s), (std::vector<unsigned>{130, 1080, 1080}));
}

TEST(SlideShow, MissingFileAtSlideFiveAsksAndContinueMovesOn) {
    test::TempDir dir;
    test::ScriptedView s;
    auto paths = test::WriteBmpSlides(dir, 7);
    std::filesystem::remove(paths[4]);
    SetSlides(s.view, paths);
    s.view.m_speed = 0;
    s.ui.QueueDialogAnswer(Continue());
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SlideNumbers(s), (std::vector<unsigned>{1, 2, 3, 4, 6, 7}));
    // The last box is the slide step's own: the path, plain, with the application's title.
    const auto boxes = s.Events("box");
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "{\"event\":\"box\",\"caption\":\"Vantor\",\"text\":" + Json(paths[4]).dump() +
                                ",\"buttons\":\"OK\",\"icon\":\"none\",\"answer\":\"OK\"}");
    // The box comes before the stop-or-continue dialog.
    const auto lines = s.Lines();
    const auto box = std::find(lines.begin(), lines.end(), boxes.back());
    ASSERT_NE(box, lines.end());
    ASSERT_NE(box + 1, lines.end());
    EXPECT_EQ((box + 1)->rfind("{\"event\":\"dialog\",\"id\":141,", 0), 0u) << *(box + 1);
    EXPECT_EQ(s.Events("dialog").size(), 1u);
}

TEST(SlideShow, MissingFileAnsweredStopEndsTheShow) {
    test::ScriptedView s;
    SetSlides(s.view, {"/nowhere/a.xcf", "/nowhere/b.xcf", "/nowhere/c.xcf", "/nowhere/d.xcf", "/nowhere/e.xcf"});
    s.view.m_speed = 0;
    s.ui.QueueDialogAnswer(Stop());
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    // Slides 1 and 2 fail silently; slide 3 asks, and stop ends the run there.
    const auto boxes = s.Events("box");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("\"text\":\"/nowhere/c.xcf\""), std::string::npos);
    EXPECT_EQ(s.Events("dialog").size(), 1u);
    EXPECT_EQ(s.view.m_stopped, 1);
    EXPECT_EQ(s.view.m_slideNo, 5u);
    EXPECT_NE(s.view.m_lastShownPath, "/nowhere/c.xcf");
}

TEST(SlideShow, HaltedShowWithNothingLeftIsClosedByTheUser) {
    BmpShow show(4);
    test::ScriptedView& s = show.s;
    s.ui.QueueAtPump(AfterSlideOfPass(1), kLeft);
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_TRUE(s.view.CloseRequested());
    EXPECT_EQ(s.view.m_stopped, 1);
    EXPECT_LT(s.ui.PumpCount(), 100u);
}

TEST(SlideShow, ProgressMeterStepsOncePerPassUnlessHidden) {
    for (std::uint32_t mode : {0u, 1u, 2u}) {
        test::ScriptedView s;
        SetSlides(s.view, {"/nowhere/a.xcf", "/nowhere/b.xcf"});
        s.view.m_progressMode = mode;
        s.ui.ProgressSetPos(7);
        ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
        EXPECT_EQ(s.ui.ProgressSteps(), mode < 2 ? 2 : 0) << "mode " << mode;
        EXPECT_EQ(s.ui.ProgressPos(), 0) << "mode " << mode;
    }
}

TEST(SlideShow, FileClearEmptiesTheListButKeepsTheText) {
    test::ScriptedView s;
    SetSlides(s.view, {"/p/a.jpg", "/p/b.jpg"});
    s.view.m_slides.m_listFull = 10000;
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_FILE_CLEAR));
    EXPECT_EQ(s.view.m_slides.m_slideCount, 0u);
    EXPECT_EQ(s.view.m_slides.m_listFull, 0u);
    EXPECT_EQ(s.view.m_slides.m_slidePath[1], "/p/b.jpg");
    EXPECT_EQ(s.view.m_slides.m_slideName[1], "/b.jpg");
    // Cleared: the next start shows nothing.
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_TRUE(s.Events("sleep").empty());
}

TEST(SlideShow, FullListRunsOverAllEntries) {
    test::ScriptedView s;
    s.view.m_slides.m_listFull = 10000;
    s.view.m_slides.m_slideCount = 2;
    s.ui.QueueAtPump(1, Action{Action::Kind::Command, ID_SLIDESHOW_ABORT});
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(s.view.m_slides.m_slideCount, 10000u);
    EXPECT_EQ(s.view.m_slideNo, 10000u);
}

TEST(SlideShow, RunReactionsOutsideAShow) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    v.m_haltState = 1;
    v.OnLButtonDown();
    EXPECT_EQ(v.m_haltState, 0);
    v.OnRButtonDown();
    EXPECT_EQ(v.m_backRequest, 0);
    v.OnKeyDown(27);
    EXPECT_TRUE(s.Events("dialog").empty());
    EXPECT_EQ(v.m_keyForwardRequest, 0);
}

TEST(SlideShow, EscDuringASearchOrSortAsksFirst) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    v.m_searching = 1;
    s.ui.QueueDialogAnswer(Stop());
    v.OnKeyDown(27);
    EXPECT_EQ(v.m_searchStop, 1);
    EXPECT_EQ(v.m_searching, 0);
    v.m_sorting = 1;
    v.OnKeyDown(27);
    EXPECT_EQ(v.m_sortStop, 1);
    const auto boxes = s.Events("box");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0],
              "{\"event\":\"box\",\"caption\":\"stop directory search ?\",\"text\":\"検索を中断しますか? "
              "クリックしてください。\",\"buttons\":\"OK\",\"icon\":\"none\",\"answer\":\"OK\"}");
    EXPECT_EQ(boxes[1],
              "{\"event\":\"box\",\"caption\":\"stop sorting ?\",\"text\":\"ソートを中断しますか? "
              "クリックしてください。\",\"buttons\":\"OK\",\"icon\":\"none\",\"answer\":\"OK\"}");
    EXPECT_EQ(s.Events("dialog").size(), 1u);
}

}  // namespace
}  // namespace vantor
