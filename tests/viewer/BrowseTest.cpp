// Browsing with no run going: `vantor PICTURE` puts its folder's pictures into the
// slide list; the arrow, page, Home, End, BackSpace, n and p keys step through it
// and stop at its ends; q quits. During a run every key keeps the run's meaning.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "imaging/OrientedJpeg.h"
#include "platform/script/ScriptRunner.h"
#include "resource.h"
#include "viewer/TestBmp.h"

namespace vantor {
namespace {

using Action = ScriptAction;
Action Key(int vk) { return {Action::Kind::Key, vk}; }

constexpr unsigned kRight = 39, kLeft = 37, kHome = 36, kEnd = 35, kPageUp = 33, kPageDown = 34, kBack = 8;

std::vector<unsigned> SlideNumbers(const test::ScriptedView& s) {
    std::vector<unsigned> numbers;
    for (const auto& line : s.Events("slide")) {
        const auto at = line.find("\"number\":") + 9;
        numbers.push_back(static_cast<unsigned>(std::stoul(line.substr(at))));
    }
    return numbers;
}

// Records the texts the paint draws.
struct TextCanvas : Canvas {
    std::vector<std::string> texts;
    void FillRect(const Rect&, Rgb) override {}
    void TextOut(int, int, const std::string& t, Rgb) override { texts.push_back(t); }
    void StretchImage(const Rect&, const DibImage&, const Rect&, StretchMode) override {}
    bool Has(const std::string& text) const { return std::find(texts.begin(), texts.end(), text) != texts.end(); }
};

// A folder of pictures with names in every case and order, among files and a
// subfolder that are not slides.
struct MixedFolder {
    test::TempDir dir;
    // By name, as the slide list holds them: digits, then capitals, then the rest.
    const std::vector<std::string> pictures = {"10.bmp", "9.bmp", "B.bmp", "a.bmp", "b.BMP", "c.jpeg"};
    MixedFolder() {
        unsigned i = 0;
        for (const auto& name : pictures) {
            if (name.ends_with(".jpeg")) {
                test::WriteOrientedJpeg(dir.File(name), 32, 16, 0);
            } else {
                test::WriteFile(dir.File(name), test::Bmp24(2 + i, 2));
            }
            ++i;
        }
        test::WriteFile(dir.File("notes.txt"), {'x'});
        test::WriteFile(dir.File("z.xcf"), {'g', 'i', 'm', 'p'});
        std::filesystem::create_directory(dir.path() / "bad");
        test::WriteFile(dir.File("bad/z.gif"), {'G', 'I', 'F'});
        std::filesystem::create_directory(dir.path() / "sub");
        test::WriteFile(dir.File("sub/d.bmp"), test::Bmp24(2, 2));
    }
    std::vector<std::string> Paths(std::vector<std::string> names) const {
        for (auto& n : names) n = dir.File(n);
        return names;
    }
};

std::vector<std::string> SlideList(const CVantorView& v) {
    return {v.m_slides.m_slidePath.begin(), v.m_slides.m_slidePath.begin() + v.m_slides.m_slideCount};
}

TEST(Browse, OnePictureOnTheCommandLineBrowsesItsFolderWithoutAShow) {
    MixedFolder folder;
    struct Case {
        const char* what;
        std::string argument;  // relative to the folder
        std::vector<std::string> slides;
        unsigned at;
        std::string title;
        bool shown;  // a picture came of it (a damaged one gets a box)
    };
    const Case cases[] = {
        {"a picture among others", "a.bmp", folder.pictures, 4, "a.bmp ( 4 / 6 ) - Vantor", true},
        {"the first by name", "./10.bmp", folder.pictures, 1, "10.bmp ( 1 / 6 ) - Vantor", true},
        {"a JPEG", "c.jpeg", folder.pictures, 6, "c.jpeg ( 6 / 6 ) - Vantor", true},
        {"alone in its folder", "sub/d.bmp", {"sub/d.bmp"}, 1, "d.bmp ( 1 / 1 ) - Vantor", true},
        {"a damaged picture, put in its place", "bad/z.gif", {"bad/z.gif"}, 1, "z.gif ( 1 / 1 ) - Vantor", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScriptedView sv;
        const auto cwd = std::filesystem::current_path();
        std::filesystem::current_path(folder.dir.path());
        sv.view.OnCommandLine({c.argument});
        std::filesystem::current_path(cwd);
        EXPECT_EQ(SlideList(sv.view), folder.Paths(c.slides));
        EXPECT_EQ(sv.view.m_slideNo, c.at);
        EXPECT_EQ(sv.view.m_strFile, folder.dir.File(c.slides[c.at - 1])) << "a relative name is made absolute";
        EXPECT_EQ(sv.ui.Title(), c.title);
        EXPECT_EQ(SlideNumbers(sv), c.shown ? std::vector<unsigned>{c.at} : std::vector<unsigned>{});
        EXPECT_EQ(sv.Events("box").size(), c.shown ? 0u : 1u);
        EXPECT_EQ(sv.view.m_stopped, 1);
        EXPECT_TRUE(sv.Events("sleep").empty()) << "no show ran";
        TextCanvas canvas;
        sv.view.OnDraw(canvas);
        EXPECT_EQ(canvas.Has("( " + std::to_string(c.at) + " / " + std::to_string(c.slides.size()) + " )"), c.shown);
    }
}

TEST(Browse, KeysStepThroughTheListAndStopAtItsEnds) {
    MixedFolder folder;
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "decoded ahead" : "each at its turn");
        test::ScriptedView sv;
        sv.view.m_prefetchSlides = ahead;
        sv.view.OnCommandLine({folder.dir.File("B.bmp")});  // slide 3 of 6
        struct Step {
            unsigned key;
            unsigned at;  // the slide number afterwards
            bool loads;   // false: at an end, nothing happens
        };
        const Step steps[] = {
            {kRight, 4, true}, {kPageDown, 5, true}, {'N', 6, true},     {kRight, 6, false}, {'N', 6, false},
            {kEnd, 6, false},  {kLeft, 5, true},     {kPageUp, 4, true}, {kBack, 3, true},   {'P', 2, true},
            {kHome, 1, true},  {kLeft, 1, false},    {kBack, 1, false},  {'P', 1, false},    {kHome, 1, false},
            {kEnd, 6, true},   {kPageUp, 5, true},   {'A', 5, false},    {kHome, 1, true},   {kPageDown, 2, true},
        };
        for (const Step& step : steps) {
            sv.ClearTranscript();
            sv.view.OnKeyDown(step.key);
            SCOPED_TRACE("key " + std::to_string(step.key));
            EXPECT_EQ(sv.view.m_slideNo, step.at);
            EXPECT_EQ(sv.view.m_strFile, folder.dir.File(folder.pictures[step.at - 1]));
            EXPECT_EQ(SlideNumbers(sv), step.loads ? std::vector<unsigned>{step.at} : std::vector<unsigned>{});
            if (step.loads) {
                EXPECT_EQ(sv.ui.Title(),
                          folder.pictures[step.at - 1] + " ( " + std::to_string(step.at) + " / 6 ) - Vantor");
            }
            EXPECT_TRUE(sv.Events("box").empty());
        }
        EXPECT_EQ(sv.view.m_stopped, 1);
        if (ahead) {
            // The JPEG after b.BMP was decoded while b.BMP was on screen, each time.
            EXPECT_GT(sv.view.m_buf.Ahead().HandedOver(), 0u);
        } else {
            EXPECT_EQ(sv.view.m_buf.Ahead().HandedOver(), 0u);
        }
    }
}

TEST(Browse, AfterAShowEndsTheKeysBrowseItsListAndDuringOneKeepTheirMeaning) {
    test::TempDir dir;
    const auto paths = test::WriteBmpSlides(dir, 6);
    test::ScriptedView sv;
    sv.ui.QueueFilesAnswer({false, paths});
    ASSERT_TRUE(sv.view.OnCommand(ID_SLIDESHOW_FILE_SELECT));
    // Right after File Select nothing of the list is on screen: the keys start at its first slide.
    sv.view.OnKeyDown(kLeft);
    EXPECT_EQ(sv.view.m_slideNo, 1u);
    sv.view.m_speed = 0;
    ASSERT_TRUE(sv.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(sv.view.m_slideNo, 6u);
    sv.ClearTranscript();
    for (unsigned key : {kLeft, kLeft, kHome, kRight}) sv.view.OnKeyDown(key);
    EXPECT_EQ(SlideNumbers(sv), (std::vector<unsigned>{5, 4, 1, 2}));

    // Halted on slide 2 of a new show: Left, Home and q are "any other key", one
    // slide forward each; Esc asks whether to stop (answered stop), and the show
    // ends with its last slide.
    sv.ClearTranscript();
    sv.ui.ResetPumpCount();
    constexpr auto afterPass = [](unsigned k) { return k * 3 - 1; };
    sv.ui.QueueAtPump(afterPass(2), {Action::Kind::LeftClick, 0});
    sv.ui.QueueAtPump(afterPass(3), Key(kLeft));
    sv.ui.QueueAtPump(afterPass(4), Key(kHome));
    sv.ui.QueueAtPump(afterPass(5), Key('Q'));
    sv.ui.QueueAtPump(afterPass(6), Key(27));
    ASSERT_TRUE(sv.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(SlideNumbers(sv), (std::vector<unsigned>{1, 2, 2, 3, 4, 5, 6}));
    EXPECT_EQ(sv.Events("dialog").size(), 1u);
    EXPECT_FALSE(sv.ui.ClosePosted());
    EXPECT_EQ(sv.view.m_stopped, 1);
}

TEST(Browse, QQuitsOnlyWhenNoRunGoes) {
    enum class Run { None, Show, HaltedShow, SearchOrSort };
    struct Case {
        const char* what;
        Run run;
        bool quits;
        std::size_t questions;  // stop-or-continue dialogs
    };
    const Case cases[] = {
        {"no run", Run::None, true, 0},
        {"a running show: any key asks", Run::Show, false, 1},
        {"a halted show: one slide forward", Run::HaltedShow, false, 0},
        {"a search or a sort: only Esc stops them", Run::SearchOrSort, false, 0},
    };
    test::TempDir dir;
    const auto paths = test::WriteBmpSlides(dir, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScriptedView sv;
        for (std::uint32_t i = 0; i < paths.size(); ++i) sv.view.m_slides.Append(paths[i]);
        sv.view.m_speed = 0;
        switch (c.run) {
            case Run::None: sv.view.OnKeyDown('Q'); break;
            case Run::Show:
                sv.ui.QueueDialogAnswer({});  // stop
                sv.ui.QueueAtPump(2, Key('Q'));
                ASSERT_TRUE(sv.view.OnCommand(ID_SLIDESHOW_START));
                break;
            case Run::HaltedShow:
                sv.ui.QueueAtPump(2, {Action::Kind::LeftClick, 0});
                sv.ui.QueueAtPump(5, Key('Q'));
                sv.ui.QueueAtPump(8, {Action::Kind::LeftClick, 0});
                ASSERT_TRUE(sv.view.OnCommand(ID_SLIDESHOW_START));
                EXPECT_EQ(SlideNumbers(sv), (std::vector<unsigned>{1, 1, 2, 3}));
                break;
            case Run::SearchOrSort: {
                CVantorView::LongRun run(sv.view);
                sv.view.OnKeyDown('Q');
                break;
            }
        }
        EXPECT_EQ(sv.ui.ClosePosted(), c.quits);
        EXPECT_EQ(sv.Events("dialog").size(), c.questions);
    }
}

// A script names every browse key; q ends the script's window there.
TEST(Browse, ScriptsNameTheKeys) {
    MixedFolder folder;
    std::istringstream script(
        "key End\nkey p\nkey BackSpace\nkey PageUp\nkey Left\nkey Home\nkey n\nkey PageDown\nkey Right\n"
        "key q\nkey Home\n");
    std::ostringstream out;
    ScriptError error;
    ASSERT_TRUE(RunScript(script, out, error, {folder.dir.File("a.bmp")}));
    std::vector<unsigned> numbers;
    std::string last;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line); last = line) {
        const std::string slide = "{\"event\":\"slide\",\"number\":";
        if (line.starts_with(slide)) numbers.push_back(static_cast<unsigned>(std::stoul(line.substr(slide.size()))));
    }
    EXPECT_EQ(numbers, (std::vector<unsigned>{4, 6, 5, 4, 3, 2, 1, 2, 3, 4}));
    EXPECT_EQ(last, "{\"event\":\"quit\"}") << "nothing after q";
}

}  // namespace
}  // namespace vantor
