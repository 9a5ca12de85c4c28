// The help dialogs and the About box: their templates, and that they open in the
// middle of a running show, which goes on once they close.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "help/Help.h"
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

TEST(HelpDialogs, TemplatesCarryTitlesSizesHeaderOkAndThreeBlocks) {
    struct Want {
        const DialogTemplate& t;
        int id;
        const char* title;
        int width, height;
    };
    const Want wants[] = {
        {HowToUse1Template(), 142, "使用方法(How To Use) 1", 372, 242},
        {HowToUse2Template(), 223, "使用方法(How To Use) 2", 372, 234},
        {HowToUseFeaturesTemplate(), 224, "vantor の 特長的な使い方", 372, 234},
    };
    for (const Want& w : wants) {
        EXPECT_EQ(w.t.id, w.id);
        EXPECT_EQ(w.t.title, w.title);
        EXPECT_EQ(w.t.width, w.width);
        EXPECT_EQ(w.t.height, w.height);
        ASSERT_EQ(w.t.controls.size(), 5u);
        EXPECT_EQ(w.t.controls[0].text.rfind("◆", 0), 0u);
        EXPECT_NE(w.t.controls[0].text.find("This Program is FREE SOFTWARE"), std::string::npos);
        EXPECT_EQ(w.t.controls[1].id, 1);  // OK, beside the header
        EXPECT_TRUE(w.t.controls[1].sameRow);
        for (int i = 2; i < 5; ++i) EXPECT_EQ(w.t.controls[static_cast<std::size_t>(i)].kind, ControlKind::Static);
    }
    const DialogTemplate& about = AboutTemplate();
    EXPECT_EQ(about.id, 100);
    EXPECT_EQ(about.title, "About vantor");
    EXPECT_EQ(about.width, 217);
    EXPECT_EQ(about.height, 146);
    ExpectMentions(about, {"vantor", VANTOR_VERSION});
}

TEST(HelpDialogs, TextsCoverTheirPoints) {
    ExpectMentions(HowToUse1Template(), {"Slide Show File Select", "Slide Show Start", "select mode", "remove mode",
                                         "drive mode", "folder mode", "18", "150000", "10000", "Loop",
                                         "Cancel+Retry", "Stop", "JPEG or BMP", "MFC_DUMMY.JPG", "Speed, Scale and Jump",
                                         "symbolic links", "volume"});
    ExpectMentions(HowToUse2Template(), {"Slide File Write Start", "scale dialog", "output folder", "start from",
                                         "JPEG or BMP", "0  shrink", "1  unchanged", "2  shrink", "3  distort",
                                         "800*600", "Speed, Scale and Jump", "vantor --write OUTDIR ... PATH..."});
    ExpectMentions(HowToUseFeaturesTemplate(), {"during a slide show or a write", "saved", "damaged JPEG",
                                                "temporary internet files", "speed 0 or 1", "10000", "999",
                                                "800*600", "symbolic links", "--write"});
}

TEST(HelpDialogs, EachOpensDuringAShowWhichGoesOnAfterOk) {
    test::TempDir dir;
    test::ScriptedView s;
    const auto paths = test::WriteBmpSlides(dir, 5);
    for (std::uint32_t i = 0; i < paths.size(); ++i) s.view.StoreSlide(i, paths[i]);
    s.view.m_slideCount = static_cast<std::uint32_t>(paths.size());
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
        "slide 1",
        "{\"event\":\"dialog\",\"id\":142,\"title\":\"使用方法(How To Use) 1\",\"answer\":\"OK\"}",
        "slide 2",
        "{\"event\":\"dialog\",\"id\":223,\"title\":\"使用方法(How To Use) 2\",\"answer\":\"OK\"}",
        "slide 3",
        "{\"event\":\"dialog\",\"id\":224,\"title\":\"vantor の 特長的な使い方\",\"answer\":\"OK\"}",
        "slide 4",
        "{\"event\":\"dialog\",\"id\":100,\"title\":\"About vantor\",\"answer\":\"OK\"}",
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
