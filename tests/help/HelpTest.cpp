// The help dialogs and the About box: their templates, and that they open in the
// middle of a running show, which goes on once they close.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "help/Help.h"
#include "imaging/JpegFile.h"
#include "resource.h"
#include "viewer/TestBmp.h"

namespace vantor {
namespace {

// All the static texts of a template, one after the other.
std::string AllText(const DialogTemplate& t) {
    std::string text;
    for (const auto& c : t.controls) {
        if (c.kind == ControlKind::Static) text += c.text + "\n";
    }
    return text;
}

void ExpectMentions(const DialogTemplate& t, std::initializer_list<const char*> points) {
    const std::string text = AllText(t);
    for (const char* p : points) EXPECT_NE(text.find(p), std::string::npos) << t.title << ": " << p;
}

TEST(HelpDialogs, TitlesAndTheFreeSoftwareHeader) {
    const std::pair<const DialogTemplate&, const char*> pages[] = {
        {HowToUse1Template(), "使用方法(How To Use) 1"},
        {HowToUse2Template(), "使用方法(How To Use) 2"},
        {HowToUseFeaturesTemplate(), "vantor の 特長的な使い方"},
    };
    for (const auto& [t, title] : pages) {
        EXPECT_EQ(t.title, title);
        ASSERT_FALSE(t.controls.empty());
        EXPECT_EQ(t.controls[0].text.rfind("◆", 0), 0u) << title;
        EXPECT_NE(t.controls[0].text.find("This Program is FREE SOFTWARE"), std::string::npos) << title;
    }
    EXPECT_EQ(AboutTemplate().title, "About vantor");
    ExpectMentions(AboutTemplate(), {"vantor", VANTOR_VERSION});
}

TEST(HelpDialogs, TextsCoverTheirPoints) {
    ExpectMentions(
        HowToUse1Template(),
        {"Slide Show File Select", "Slide Show Start", "select mode", "remove mode", "drive mode", "folder mode", "18",
         "150000", "10000", "Loop", "Cancel+Retry", "Stop", "JPEG or BMP", "MFC_DUMMY.JPG", "Speed, Scale and Jump",
         "symbolic links", "volume", ".jpg, .jpeg or .jpe", "View > Rotate by EXIF Orientation (or --auto-rotate)"});
    ExpectMentions(HowToUse2Template(), {"Slide File Write Start", "scale dialog", "output folder", "start from",
                                         "JPEG or BMP", "0  shrink", "1  unchanged", "2  shrink", "3  distort",
                                         "800*600", "Speed, Scale and Jump", "vantor --write OUTDIR ... PATH..."});
    ExpectMentions(HowToUseFeaturesTemplate(),
                   {"during a slide show or a write",
                    "saved",
                    "Damaged JPEG",
                    "Temporary Internet Files",
                    "speed 0 or 1",
                    "10000",
                    "9989",
                    "800*600",
                    "symbolic links",
                    "--write",
                    "Full Screen (F11",
                    "Esc when no show, search, sort or write runs",
                    "Fit to Window",
                    "Right, Page Down or n: the next slide; Left, Page Up, BackSpace or p: the slide before",
                    "Home: the first slide; End: the last",
                    "q or Ctrl+Q: quits",
                    "i shows the texts",
                    "(Ctrl+wheel) zoom",
                    "0 or = fits",
                    "1 is 100 %",
                    "Shift+wheel"});
}

// What the pages say of the search, the names and damaged files holds here.
TEST(HelpDialogs, TextsSayWhatTheProgramDoesHere) {
    const std::string first = AllText(HowToUse1Template()), features = AllText(HowToUseFeaturesTemplate());
    // The file-type choice and the search's own matching rule.
    for (const char* p : {"JPEG or BMP (two radio buttons)", "names end in .jpg or .JPG", "ending in .bmp or .BMP",
                          "not .Jpg, .jpeg or .jpe", "regular files and links to them"})
        EXPECT_NE(first.find(p), std::string::npos) << p;
    // Output names: the name itself, then name~(1) .. name~9989 (the write tests try them all).
    for (const char* p : {"name~(1), name~(2) ... name~9989", "(9989 more names)",
                          // Damaged files: their boxes and the question.
                          "two JPEG Error boxes", "a JPEG Fatal Error box", "Stop or Continue question",
                          // The 0/1 field, as the walk's entry tests apply it.
                          "with 0, folders whose names end in a dot and three", "(not hidden, read-only or links)",
                          ".ie4 to .ie9", "From level 10 on only"})
        EXPECT_NE(features.find(p), std::string::npos) << p;
    for (const char* wrong : {"check box", "999 tries", "every file of that type", "can be searched, shown"}) {
        EXPECT_EQ(first.find(wrong), std::string::npos) << wrong;
        EXPECT_EQ(features.find(wrong), std::string::npos) << wrong;
    }
}

// Damaged JPEG files in a show, as the features page tells: a file the decoder can
// still read gives two boxes and is shown; one it cannot read gives the fatal box,
// and from slide 3 on the path and the question (continued here).
TEST(HelpDialogs, DamagedJpegFilesInAShowAsThePageSays) {
    test::TempDir dir;
    std::vector<std::string> paths = test::WriteBmpSlides(dir, 5);
    const std::string unreadable2 = dir.File("two.jpg"), cut = dir.File("three.jpg"),
                      unreadable4 = dir.File("four.jpg");
    test::WriteFile(unreadable2, std::vector<unsigned char>(100, 'x'));
    test::WriteFile(unreadable4, std::vector<unsigned char>(100, 'x'));
    std::vector<std::uint8_t> rgb(64 * 64 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    ASSERT_TRUE(JpegFile::SaveFromRgb(cut, rgb.data(), 64, 64, true, 90));
    std::vector<unsigned char> bytes = test::ReadFile(cut);
    bytes.resize(bytes.size() / 2);
    test::WriteFile(cut, bytes);
    paths[1] = unreadable2;
    paths[2] = cut;
    paths[3] = unreadable4;

    test::ScriptedView s;
    for (std::uint32_t i = 0; i < paths.size(); ++i) s.view.m_slides.Store(i, paths[i]);
    s.view.m_slides.m_slideCount = 5;
    s.view.m_speed = 0;
    DialogAnswer goOn;
    goOn.button = IDOK;
    s.ui.QueueDialogAnswer(goOn);
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    std::vector<std::string> seen;
    for (const std::string& line : s.Lines()) {
        const Json e = Json::parse(line);
        if (e["event"] == "slide") seen.push_back("slide " + std::to_string(e["number"].get<unsigned>()));
        if (e["event"] == "box") {
            const std::string caption = e["caption"].get<std::string>(), text = e["text"].get<std::string>();
            seen.push_back(caption + (text == cut || text == unreadable4 ? " " + text : ""));
        }
        if (e["event"] == "dialog") seen.push_back("dialog " + std::to_string(e["id"].get<int>()));
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"slide 1", "JPEG Fatal Error", "JPEG Error", "JPEG Error " + cut, "slide 3",
                                        "JPEG Fatal Error", "Vantor " + unreadable4, "dialog 141", "slide 5"}));
}

// Each line of the features page's table of the show's mouse and keys, tried on a
// show of five slides: the slides it shows then, in order. A halted show shows its
// slide again at every pass; a step that stays on the first slide shows nothing new.
TEST(HelpDialogs, TheShowReactsAsItsTableSays) {
    using Kind = ScriptAction::Kind;
    const ScriptAction left{Kind::LeftClick, 0}, right{Kind::RightClick, 0};
    const auto key = [](int vk) { return ScriptAction{Kind::Key, vk}; };
    const auto command = [](int id) { return ScriptAction{Kind::Command, id}; };
    // Pass k of the loop pumps 3k-2 (before its slide), 3k-1 and 3k (after it).
    const auto after = [](unsigned pass) { return pass * 3 - 1; };
    struct Case {
        const char* line;
        std::vector<std::pair<unsigned, ScriptAction>> actions;
        std::vector<int> answers;  // of the Stop or Continue dialog
        std::vector<unsigned> slides;
    };
    const Case cases[] = {
        {"  left button, or Halt-Restart (File or View menu): halts it on the slide on screen\n",
         {{after(2), left}, {after(4), command(ID_VIEW_HALT_RESTART)}},
         {},
         {1, 2, 2, 2, 3, 4, 5}},
        {"  right button: nothing\n", {{after(1), right}}, {}, {1, 2, 3, 4, 5}},
        {"  any key (Esc, Space, Enter, a letter, Shift, Ctrl, ...): asks Stop or Continue\n",
         {{after(1), key(17)}, {after(2), key(' ')}},
         {IDOK, IDOK},
         {1, 2, 3, 4, 5}},
        {"  left button, or Halt-Restart: goes on with the next slide\n",
         {{after(2), command(ID_SLIDESHOW_HALT_RESTART)}, {after(3), left}},
         {},
         {1, 2, 2, 3, 4, 5}},
        {"  right button, or Space: one slide back (never before the first)\n",
         {{after(3), left}, {after(4), right}, {after(5), key(' ')}, {after(6), key(' ')}, {after(7), left}},
         {},
         {1, 2, 3, 3, 2, 1, 2, 3, 4, 5}},
        {"  Esc: asks Stop or Continue\n",
         {{after(2), left}, {after(3), key(27)}, {after(4), key(27)}},
         {IDOK, IDCANCEL},
         {1, 2, 2, 2, 5}},
        {"  any other key: one slide forward\n",
         {{after(1), left}, {after(2), key('A')}, {after(3), key(13)}, {after(4), left}},
         {},
         {1, 1, 2, 3, 4, 5}},
        {" Stop or Continue: YES (stop) ends the show after showing the last slide; NO (continue) goes on.\n",
         {{after(1), key(27)}, {after(2), key('Q')}},
         {IDOK, IDCANCEL},
         {1, 2, 5}},
        {" Abort (File or View menu) ends the show after showing the last slide.",
         {{after(2), command(ID_SLIDESHOW_ABORT)}},
         {},
         {1, 2, 5}},
    };
    const std::string text = AllText(HowToUseFeaturesTemplate());
    test::TempDir dir;
    const auto paths = test::WriteBmpSlides(dir, 5);
    for (const Case& c : cases) {
        EXPECT_NE(text.find(c.line), std::string::npos) << c.line;
        test::ScriptedView s;
        for (std::uint32_t i = 0; i < paths.size(); ++i) s.view.m_slides.Store(i, paths[i]);
        s.view.m_slides.m_slideCount = static_cast<std::uint32_t>(paths.size());
        s.view.m_speed = 0;
        for (const auto& [pump, action] : c.actions) s.ui.QueueAtPump(pump, action);
        for (int answer : c.answers) {
            DialogAnswer a;
            a.button = answer;
            s.ui.QueueDialogAnswer(a);
        }
        ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
        std::vector<unsigned> shown;
        for (const std::string& line : s.Events("slide")) shown.push_back(Json::parse(line)["number"].get<unsigned>());
        EXPECT_EQ(shown, c.slides) << c.line;
        EXPECT_EQ(s.Events("dialog").size(), c.answers.size()) << c.line;
    }
}

TEST(HelpDialogs, EachOpensDuringAShowWhichGoesOnAfterOk) {
    test::TempDir dir;
    test::ScriptedView s;
    const auto paths = test::WriteBmpSlides(dir, 5);
    for (std::uint32_t i = 0; i < paths.size(); ++i) s.view.m_slides.Store(i, paths[i]);
    s.view.m_slides.m_slideCount = static_cast<std::uint32_t>(paths.size());
    s.view.m_speed = 0;
    // Pass k pumps k*3-2, k*3-1, k*3; k*3-1 comes right after slide k is shown.
    const int commands[] = {ID_HELP_HOW_TO_USE_1, ID_HELP_HOW_TO_USE_2, ID_HELP_HOW_TO_USE_FEATURES, ID_APP_ABOUT};
    for (unsigned k = 1; k <= 4; ++k) {
        s.ui.QueueAtPump(k * 3 - 1, {ScriptAction::Kind::Command, commands[k - 1]});
        DialogAnswer ok;
        ok.button = IDOK;
        s.ui.QueueDialogAnswer(ok);
    }
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));

    std::vector<std::string> seen;
    for (const auto& line : s.Lines()) {
        if (line.find("\"event\":\"slide\"") != std::string::npos) {
            seen.push_back("slide " + line.substr(line.find("\"number\":") + 9, 1));
        } else if (line.find("\"event\":\"dialog\"") != std::string::npos) {
            seen.push_back(line);
        }
    }
    const std::vector<std::string> expected = {
        "slide 1", "{\"event\":\"dialog\",\"id\":142,\"title\":\"使用方法(How To Use) 1\",\"answer\":\"OK\"}",
        "slide 2", "{\"event\":\"dialog\",\"id\":223,\"title\":\"使用方法(How To Use) 2\",\"answer\":\"OK\"}",
        "slide 3", "{\"event\":\"dialog\",\"id\":224,\"title\":\"vantor の 特長的な使い方\",\"answer\":\"OK\"}",
        "slide 4", "{\"event\":\"dialog\",\"id\":100,\"title\":\"About vantor\",\"answer\":\"OK\"}",
        "slide 5",
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(s.view.m_stopped, 1);
    EXPECT_TRUE(s.Events("box").empty());
}

TEST(HelpDialogs, StayAvailableWhileALongRunIsMarked) {
    test::ScriptedView s;
    CVantorView::LongRun run(s.view);
    s.view.m_stopped = 0;
    for (int id : {ID_HELP_HOW_TO_USE_1, ID_HELP_HOW_TO_USE_2, ID_HELP_HOW_TO_USE_FEATURES, ID_APP_ABOUT})
        EXPECT_TRUE(s.view.IsCommandEnabled(id)) << id;
    s.view.m_stopped = 1;
}

}  // namespace
}  // namespace vantor
