#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "TestSupport.h"
#include "resource.h"
#include "viewer/Commands.h"

namespace vantor {
namespace {

// The texts a fresh view starts with; the numbers are the code's own and other
// tests run on them.
TEST(ViewState, FreshStartDefaults) {
    test::ScriptedView s;
    const CVantorView& v = s.view;
    EXPECT_EQ(v.m_outFolder, "d:\\t~\\");
    EXPECT_EQ(v.m_search.m_searchFolder, "d:\\t~\\");
    const StringArray& paths = v.m_slides.m_slidePath;
    bool allNull = true;
    for (std::size_t i = 0; i < paths.size(); ++i) allNull = allNull && paths[i] == "Null";
    EXPECT_TRUE(allNull);
    // Entries keep their text until overwritten, wherever they lie.
    StringArray list(100001, "Null");
    list[99999] = "x";
    EXPECT_EQ(list[99999], "x");
    EXPECT_EQ(std::as_const(list)[99998], "Null");
    EXPECT_EQ(std::as_const(list)[100000], "Null");
    EXPECT_EQ(std::as_const(list)[5], "Null");
    // Growing keeps every entry and adds fill-text ones; it never shrinks.
    list.Grow(250000);
    list.Grow(10);
    ASSERT_EQ(list.size(), 250000u);
    EXPECT_EQ(list[99999], "x");
    EXPECT_EQ(std::as_const(list)[249999], "Null");
    list[249999] = "y";
    EXPECT_EQ(list[249999], "y");
    EXPECT_EQ(std::distance(list.begin(), list.end()), 250000);
}

const int kNeedStopped[] = {ID_APP_EXIT, ID_SLIDESHOW_FILE_SELECT, ID_SLIDESHOW_START, ID_SLIDESHOW_FILE_CLEAR};
const int kNeedRunning[] = {ID_SLIDESHOW_HALT_RESTART, ID_VIEW_HALT_RESTART, ID_SLIDESHOW_ABORT, ID_VIEW_ABORT};
const int kAlways[] = {ID_SLIDESHOW_SPEED, ID_SLIDESHOW_SCALE, ID_SLIDESHOW_JUMP, ID_EFFECT_BACKGROUND,
                       ID_EFFECT_PROGRESS_BAR};

TEST(ViewState, CommandsEnabledWhileStopped) {
    test::ScriptedView s;
    for (int id : kNeedStopped) EXPECT_TRUE(s.view.IsCommandEnabled(id)) << CommandName(id);
    for (int id : kNeedRunning) EXPECT_FALSE(s.view.IsCommandEnabled(id)) << CommandName(id);
    for (int id : kAlways) EXPECT_TRUE(s.view.IsCommandEnabled(id)) << CommandName(id);
}

TEST(ViewState, CommandsGreyedWhileAShowRuns) {
    test::ScriptedView s;
    s.view.m_stopped = 0;
    for (int id : kNeedStopped) EXPECT_FALSE(s.view.IsCommandEnabled(id)) << CommandName(id);
    for (int id : kNeedRunning) EXPECT_TRUE(s.view.IsCommandEnabled(id)) << CommandName(id);
    for (int id : kAlways) EXPECT_TRUE(s.view.IsCommandEnabled(id)) << CommandName(id);
    // A greyed command does nothing when attempted.
    EXPECT_FALSE(s.view.OnCommand(ID_APP_EXIT));
    EXPECT_FALSE(s.ui.ClosePosted());
}

TEST(ViewState, CommandsGreyedInsideARunningShow) {
    // Seen from inside the loop: commands delivered during the show.
    test::ScriptedView s;
    s.view.m_slides.m_slideCount = 3;
    s.view.m_speed = 0;
    s.ui.QueueAtPump(1, {ScriptAction::Kind::Command, ID_SLIDESHOW_FILE_CLEAR});
    s.ui.QueueAtPump(2, {ScriptAction::Kind::Command, ID_APP_EXIT});
    bool enabledDuring[2] = {true, false};
    s.ui.deliver = [&](const ScriptAction& a) {
        enabledDuring[0] = s.view.IsCommandEnabled(ID_SLIDESHOW_START);
        enabledDuring[1] = s.view.IsCommandEnabled(ID_SLIDESHOW_ABORT);
        s.view.OnCommand(a.value);
    };
    EXPECT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_FALSE(enabledDuring[0]);
    EXPECT_TRUE(enabledDuring[1]);
    EXPECT_EQ(s.view.m_slides.m_slideCount, 3u);  // File Clear was greyed
    EXPECT_FALSE(s.ui.ClosePosted());             // so was Exit
    EXPECT_EQ(s.view.m_stopped, 1);
    EXPECT_TRUE(s.view.IsCommandEnabled(ID_SLIDESHOW_START));
    EXPECT_FALSE(s.view.IsCommandEnabled(ID_SLIDESHOW_ABORT));
}

TEST(ViewState, BackgroundToggleCyclesAndChecksOnWhite) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    EXPECT_FALSE(v.IsCommandChecked(ID_EFFECT_BACKGROUND));
    v.OnCommand(ID_EFFECT_BACKGROUND);
    EXPECT_EQ(v.m_backColor, 3);
    EXPECT_FALSE(v.IsCommandChecked(ID_EFFECT_BACKGROUND));
    v.OnCommand(ID_EFFECT_BACKGROUND);
    EXPECT_EQ(v.m_backColor, 0);
    EXPECT_TRUE(v.IsCommandChecked(ID_EFFECT_BACKGROUND));
    v.OnCommand(ID_EFFECT_BACKGROUND);
    EXPECT_EQ(v.m_backColor, 1);
    v.m_backColor = 2;
    v.OnCommand(ID_EFFECT_BACKGROUND);
    EXPECT_EQ(v.m_backColor, 3);
    v.m_backColor = 7;
    v.OnCommand(ID_EFFECT_BACKGROUND);
    EXPECT_EQ(v.m_backColor, 0);
}

TEST(ViewState, ProgressToggleCyclesAndChecksOnZero) {
    test::ScriptedView s;
    CVantorView& v = s.view;
    EXPECT_TRUE(v.IsCommandChecked(ID_EFFECT_PROGRESS_BAR));
    v.OnCommand(ID_EFFECT_PROGRESS_BAR);
    EXPECT_EQ(v.m_progressMode, 1u);
    EXPECT_FALSE(v.IsCommandChecked(ID_EFFECT_PROGRESS_BAR));
    v.OnCommand(ID_EFFECT_PROGRESS_BAR);
    EXPECT_EQ(v.m_progressMode, 2u);
    v.OnCommand(ID_EFFECT_PROGRESS_BAR);
    EXPECT_EQ(v.m_progressMode, 0u);
    EXPECT_TRUE(v.IsCommandChecked(ID_EFFECT_PROGRESS_BAR));
    v.m_progressMode = 9;
    v.OnCommand(ID_EFFECT_PROGRESS_BAR);
    EXPECT_EQ(v.m_progressMode, 0u);
}

TEST(ViewState, ExitPostsACloseOnlyWhenStopped) {
    test::ScriptedView s;
    EXPECT_TRUE(s.view.OnCommand(ID_APP_EXIT));
    EXPECT_TRUE(s.ui.ClosePosted());
}

}  // namespace
}  // namespace vantor
