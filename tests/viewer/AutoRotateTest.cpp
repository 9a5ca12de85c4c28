// Photos with an Exif orientation, and JPEG files named .jpeg or .jpe, through the
// window's ways in: File Select and the show (with and without the slides decoded
// ahead), Open, the command line and the menu item that turns photos upright.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "imaging/OrientedJpeg.h"
#include "platform/script/ScriptRunner.h"
#include "resource.h"

namespace vantor {
namespace {

using test::Corners;

// A view that notes what every slide of a show holds once it is loaded.
class NotingView : public CVantorView {
public:
    struct Shown {
        std::uint32_t width, height;
        Corners corners;
        friend bool operator==(const Shown&, const Shown&) = default;
    };
    std::vector<Shown> shown;
    void ShowSlide() override {
        CVantorView::ShowSlide();
        if (m_buf) shown.push_back({m_width, m_height, test::CornersOfDisplay(m_buf.get(), m_width, m_height)});
    }
};

// Stored 64 x 32, as each orientation records it; the names use every JPEG ending.
const char* const kNames[] = {"o1.jpg", "o2.jpeg", "o3.JPEG", "o4.jpe", "o5.JPE", "o6.Jpeg", "o7.jpg", "o8.jpeg"};
const Corners kUpright[] = {{1, 2, 3, 4}, {2, 1, 4, 3}, {4, 3, 2, 1}, {3, 4, 1, 2},
                            {1, 3, 2, 4}, {3, 1, 4, 2}, {4, 2, 3, 1}, {2, 4, 1, 3}};

std::vector<std::string> WritePhotos(const test::TempDir& dir) {
    std::vector<std::string> paths;
    for (int o = 1; o <= 8; ++o) {
        paths.push_back(dir.File(kNames[o - 1]));
        test::WriteOrientedJpeg(paths.back(), 64, 32, o);
    }
    return paths;
}

TEST(AutoRotate, FileSelectAndTheShowTakeEveryJpegEndingAndTurnOnlyWhenAsked) {
    test::TempDir dir;
    const auto paths = WritePhotos(dir);
    for (const bool upright : {false, true}) {
        std::vector<std::string> transcripts;
        for (const bool prefetch : {false, true}) {
            SCOPED_TRACE(std::string(upright ? "upright" : "as stored") + (prefetch ? ", decoded ahead" : ""));
            std::ostringstream out;
            ScriptUi ui{out};
            ScopedUi scope{ui};
            NotingView view;
            view.m_speed = 0;
            view.m_prefetchSlides = prefetch;
            EXPECT_FALSE(view.IsCommandChecked(ID_VIEW_AUTO_ROTATE)) << "off at first";
            if (upright) {
                ASSERT_TRUE(view.OnCommand(ID_VIEW_AUTO_ROTATE));
            }
            EXPECT_EQ(view.IsCommandChecked(ID_VIEW_AUTO_ROTATE), upright);
            ui.QueueFilesAnswer({false, paths});
            ASSERT_TRUE(view.OnCommand(ID_SLIDESHOW_FILE_SELECT));
            ASSERT_TRUE(view.OnCommand(ID_SLIDESHOW_START));

            std::vector<NotingView::Shown> expected;
            for (int o = 1; o <= 8; ++o) {
                const bool across = upright && o >= 5;
                expected.push_back(
                    {across ? 32u : 64u, across ? 64u : 32u, upright ? kUpright[o - 1] : Corners{1, 2, 3, 4}});
            }
            EXPECT_EQ(view.shown, expected);
            if (prefetch) {
                EXPECT_GT(view.m_buf.Ahead().HandedOver(), 0u);
            }
            transcripts.push_back(out.str());
        }
        EXPECT_EQ(transcripts[0], transcripts[1]) << "the show is the same with the slides decoded ahead";
    }
}

TEST(AutoRotate, OpenAndTheCommandLineTakeJpegEndingsAndTellOfAnyOther) {
    test::TempDir dir;
    const auto photos = WritePhotos(dir);  // o6.Jpeg is stored on its side
    std::filesystem::copy_file(photos[5], dir.File("portrait.JPE"));
    std::filesystem::copy_file(photos[0], dir.File("notes.xcf"));
    std::filesystem::create_directory(dir.path() / "folder");
    for (const char* name : {"b.jpeg", "a.JPE", "c.txt"})
        std::filesystem::copy_file(photos[0], (dir.path() / "folder" / name).string());
    const std::string cannotShow =
        "Cannot show this file: the name does not end in .jpg, .jpeg, .jpe, .bmp, .png, .gif, .webp, .tif, .tiff, "
        ".heic, .heif or .avif :\\n";
    struct Case {
        const char* what;
        std::vector<std::string> commandLine;  // empty: File > Open of the first file
        std::string open;
        bool upright;
        std::uint32_t width, height;                // the picture open afterwards
        std::vector<std::string> slides, boxTexts;  // the slide list; what the boxes said
    };
    const std::string folder = dir.File("folder");
    std::vector<std::string> browsed = photos;
    browsed.push_back(dir.File("portrait.JPE"));
    const Case cases[] = {
        {"Open a .Jpeg", {}, photos[5], false, 64, 32, {}, {}},
        {"Open a .JPE upright", {}, dir.File("portrait.JPE"), true, 32, 64, {}, {}},
        {"Open a .xcf", {}, dir.File("notes.xcf"), true, 801, 601, {}, {cannotShow + dir.File("notes.xcf")}},
        // One picture is shown among its folder's, by name.
        {"one .Jpeg on the command line, upright", {photos[5]}, "", true, 32, 64, browsed, {}},
        {"one .xcf on the command line",
         {dir.File("notes.xcf")},
         "",
         false,
         801,
         601,
         {},
         {cannotShow + dir.File("notes.xcf")}},
        {"a folder's JPEGs, and a .xcf left out of the list",
         {folder, dir.File("notes.xcf")},
         "",
         false,
         64,
         32,
         {folder + "/a.JPE", folder + "/b.jpeg"},
         {"Left out of the slide list: the name does not end in .jpg, .jpeg, .jpe, .bmp, .png, .gif, .webp, .tif, "
          ".tiff, .heic, .heif or .avif :\\n" +
          dir.File("notes.xcf")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScriptedView sv;
        sv.view.m_speed = 0;
        sv.view.m_autoRotate = c.upright;
        if (c.commandLine.empty()) {
            sv.ui.QueueFilesAnswer({false, {c.open}});
            ASSERT_TRUE(sv.view.OnCommand(ID_FILE_OPEN));
        } else {
            sv.view.OnCommandLine(c.commandLine);
        }
        EXPECT_EQ(sv.view.m_width, c.width);
        EXPECT_EQ(sv.view.m_height, c.height);
        EXPECT_EQ(std::vector<std::string>(sv.view.m_slides.m_slidePath.begin(),
                                           sv.view.m_slides.m_slidePath.begin() + sv.view.m_slides.m_slideCount),
                  c.slides);
        std::vector<std::string> texts;
        for (const std::string& box : sv.Events("box")) {
            const auto at = box.find("\"text\":\"") + 8;
            texts.push_back(box.substr(at, box.find("\",\"", at) - at));
        }
        EXPECT_EQ(texts, c.boxTexts);
    }

    // A script run with --auto-rotate: the show of two photos stored on their side.
    for (const bool upright : {false, true}) {
        std::istringstream script("");
        std::ostringstream out;
        ScriptError error;
        ASSERT_TRUE(RunScript(script, out, error, {photos[5], photos[7]}, {.speed = 0u, .autoRotate = upright}));
        const std::string size = upright ? "\"width\":32,\"height\":64" : "\"width\":64,\"height\":32";
        const std::string transcript = out.str();
        std::size_t slides = 0;
        for (std::size_t at = 0; (at = transcript.find("\"event\":\"slide\"", at)) != std::string::npos; ++at) {
            ++slides;
            EXPECT_NE(transcript.substr(at, transcript.find('\n', at) - at).find(size), std::string::npos);
        }
        EXPECT_EQ(slides, 2u) << transcript;
    }

    // The menu item turns the picture on screen at once, and back.
    test::ScriptedView sv;
    sv.view.OnCommandLine({photos[7]});
    EXPECT_EQ(std::pair(sv.view.m_width, sv.view.m_height), std::pair(64u, 32u));
    ASSERT_TRUE(sv.view.OnCommand(ID_VIEW_AUTO_ROTATE));
    EXPECT_EQ(std::pair(sv.view.m_width, sv.view.m_height), std::pair(32u, 64u));
    EXPECT_EQ(test::CornersOfDisplay(sv.view.m_buf.get(), 32, 64), kUpright[7]);
    ASSERT_TRUE(sv.view.OnCommand(ID_VIEW_AUTO_ROTATE));
    EXPECT_EQ(std::pair(sv.view.m_width, sv.view.m_height), std::pair(64u, 32u));
}

}  // namespace
}  // namespace vantor
