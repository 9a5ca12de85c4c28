// Fit to the window and full screen on the view's side: the screen's frame
// follows the client area while the batch write keeps the scale frame, and a
// script sees full screen come and go.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "resource.h"
#include "viewer/ViewOptions.h"

namespace vantor {
namespace {

TEST(WindowModes, FitToWindowFramesTheScreenButNotTheWrite) {
    test::TempDir dir;
    std::vector<std::uint8_t> rgb(1600 * 1200 * 3, 90);
    const std::string path = dir.File("wide.jpg");
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, rgb.data(), 1600, 1200, true, 90));

    test::ScriptedView s;
    s.ui.SetClientSize(460, 360);
    EXPECT_EQ(s.view.DisplayFrame(), (JpegPrefetch::ScaleContext{800, 600, 0})) << "off by default";
    ASSERT_TRUE(s.view.OnCommand(ID_VIEW_FIT_WINDOW));
    EXPECT_EQ(s.view.DisplayFrame(), (JpegPrefetch::ScaleContext{400, 300, 0}));
    s.ui.SetClientSize(40, 2000);
    EXPECT_EQ(s.view.DisplayFrame(), (JpegPrefetch::ScaleContext{1, 1940, 0}));

    s.view.m_slides.Store(0, path);
    s.view.m_slides.m_slideCount = 1;
    s.view.m_outFolder = dir.File("");
    s.view.m_writeSourcePath = "at First";
    s.view.m_writeMode = 1;
    s.view.StartWriteRun();
    const JpegFile::Picture written = test::JpegPicture(dir.File("wide.JPG"));
    EXPECT_EQ(written.width, 800u);
    EXPECT_EQ(written.height, 600u);

    ASSERT_TRUE(s.view.OnCommand(ID_VIEW_FULL_SCREEN));
    s.view.OnKeyDown(VK_ESCAPE);
    EXPECT_EQ(s.Events("fullscreen"), (std::vector<std::string>{R"({"event":"fullscreen","on":true})",
                                                                R"({"event":"fullscreen","on":false})"}));
}

// The command line's options reach a fresh view as their commands and settings
// would: the window's modes through their commands, which the Ui sees.
TEST(WindowModes, TheCommandLinesOptionsSetAFreshView) {
    test::ScriptedView none;
    ApplyOptions(none.view, {});
    EXPECT_EQ(none.view.m_speed, 5u);
    EXPECT_FALSE(none.view.m_fullScreen || none.view.m_fitWindow || none.view.m_autoRotate);
    EXPECT_TRUE(none.Events("fullscreen").empty());

    test::ScriptedView all;
    ApplyOptions(all.view, {.speed = 0u, .fullScreen = true, .fitWindow = true, .autoRotate = true});
    EXPECT_EQ(all.view.m_speed, 0u);
    EXPECT_TRUE(all.view.m_fullScreen && all.view.m_fitWindow && all.view.m_autoRotate);
    EXPECT_TRUE(all.view.IsCommandChecked(ID_VIEW_FIT_WINDOW));
    EXPECT_EQ(all.Events("fullscreen"), std::vector<std::string>{R"({"event":"fullscreen","on":true})"});

    // A mode the window kept from its last run stays on when the option asks for it too.
    test::ScriptedView kept;
    kept.view.m_fitWindow = kept.view.m_autoRotate = true;
    ApplyOptions(kept.view, {.speed = {}, .fullScreen = false, .fitWindow = true, .autoRotate = true});
    EXPECT_TRUE(kept.view.m_fitWindow && kept.view.m_autoRotate);
}

}  // namespace
}  // namespace vantor
