// The single-picture commands through the scripted user, on real files, every
// written file read back by ImageMagick.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "TestSupport.h"
#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"
#include "imaging/OpenSaveTestSupport.h"
#include "resource.h"
#include "viewer/TestBmp.h"

namespace vantor {
namespace {

using namespace open_save_test;

std::string Identify(const std::string& format, const std::string& path) {
    std::string result;
    std::FILE* pipe = ::popen(("/usr/bin/identify -format '" + format + "' '" + path + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return result;
    char chunk[256];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.append(chunk, n);
    ::pclose(pipe);
    return result;
}

TEST(OpenCommand, DispatchesOnTheNameEndingInAnyCase) {
    TempDir dir;
    Session s;
    const std::string first = WriteJpeg(dir, "first.jpg", 40, 30);
    const std::string odd = dir.File("photo.xcf");
    std::filesystem::copy_file(WriteJpeg(dir, "other.jpg", 20, 10), odd);
    const std::string mixed = dir.File("PHOTO.Jpg");
    std::filesystem::copy_file(dir.File("other.jpg"), mixed);

    s.Files(first);
    ASSERT_TRUE(s.view.OnCommand(ID_FILE_OPEN));
    ASSERT_EQ(s.ui.dialogs.size(), 1u);
    const FileDialogOptions& o = s.ui.dialogs[0];
    EXPECT_EQ(o.kind, FileDialogOptions::Kind::Open);
    EXPECT_EQ(o.title, "File to load");
    EXPECT_EQ(o.defaultExt, "*.JPG");
    EXPECT_EQ(o.initialName, "*.JPG");
    EXPECT_EQ(o.filter,
              "JPG File (*.JPG)|*.JPG;*.JPEG;*.JPE|BMP (*.BMP)|*.BMP|PNG (*.PNG)|*.PNG|GIF (*.GIF)|*.GIF|"
              "WebP (*.WEBP)|*.WEBP|TIFF (*.TIF)|*.TIF;*.TIFF|HEIC (*.HEIC)|*.HEIC;*.HEIF|AVIF (*.AVIF)|*.AVIF|"
              "All files (*.*)|*.*||");
    EXPECT_TRUE(o.mustExist);
    EXPECT_EQ(s.view.m_width, 40u);

    // No loader reads ".xcf": nothing loads and the user is told, but the name is
    // taken and the view repaints.
    const auto before = s.Buf();
    const int erases = s.ui.erases;
    s.Files(odd);
    s.view.OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(s.view.m_strFile, odd);
    EXPECT_EQ(s.view.m_width, 40u);
    EXPECT_EQ(s.Buf(), before);
    EXPECT_EQ(s.ui.erases, erases + 1);
    EXPECT_EQ(s.Events("box").back(), Box("Cannot show this file: the name does not end in .jpg, .jpeg, .jpe, .bmp, "
                                          ".png, .gif, .webp, .tif, .tiff, .heic, .heif or .avif :\\n" +
                                              odd,
                                          "error"));

    s.Files(mixed);
    s.view.OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(s.view.m_width, 20u);
    EXPECT_EQ(s.view.m_height, 10u);

    // Cancel repaints too, and leaves everything as it was.
    s.CancelFiles();
    s.view.OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(s.ui.erases, erases + 3);
    EXPECT_EQ(s.view.m_strFile, mixed);
    EXPECT_EQ(s.ui.waitDepth, 0);
}

TEST(SaveCommands, ProposeTheCurrentNameWithOnlyUpperCaseEndingsChanged) {
    Session s;
    s.view.m_strFile = "/pics/cat.BMP";
    s.CancelFiles();
    s.view.OnCommand(ID_FILE_SAVE_RGB_AS);
    s.view.m_strFile = "/pics/cat.bmp";
    s.CancelFiles();
    s.view.OnCommand(ID_FILE_SAVE_GRAYSCALE_JPEG);
    s.view.m_strFile = "/pics/cat.JPG";
    s.view.m_buf.Replace(AllocRgb(1, 1), 1, 1);
    s.CancelFiles();
    s.view.OnCommand(ID_FILE_SAVE_COLORMAPPED_BMP);
    s.view.m_strFile = "dog.JPG";  // no folder: the whole text
    s.CancelFiles();
    s.view.OnCommand(ID_FILE_SAVE_RGB_AS);

    ASSERT_EQ(s.ui.dialogs.size(), 4u);
    const auto& rgb = s.ui.dialogs[0];
    EXPECT_EQ(rgb.kind, FileDialogOptions::Kind::Save);
    EXPECT_EQ(rgb.title, "File to save as");
    EXPECT_EQ(rgb.initialName, "cat.JPG");
    EXPECT_EQ(rgb.defaultExt, "*.JPG");
    EXPECT_EQ(rgb.filter, "JPG File (*.JPG)|*.JPG|GIF File (*.GIF)|*.GIF|BMP (*.BMP)|*.BMP|All files (*.*)|*.*||");
    EXPECT_TRUE(rgb.confirmOverwrite);
    const auto& gray = s.ui.dialogs[1];
    EXPECT_EQ(gray.title, "File to save as grayscale");
    EXPECT_EQ(gray.initialName, "cat.bmp");
    EXPECT_EQ(gray.filter, "JPG File (*.JPG)|*.JPG|All files (*.*)|*.*||");
    EXPECT_TRUE(gray.confirmOverwrite);
    const auto& bmp = s.ui.dialogs[2];
    EXPECT_EQ(bmp.title, "File to save as");
    EXPECT_EQ(bmp.initialName, "cat.BMP");
    EXPECT_EQ(bmp.defaultExt, "*.BMP");
    EXPECT_EQ(bmp.filter, "BMP (*.BMP)|*.BMP|All files (*.*)|*.*||");
    EXPECT_TRUE(bmp.confirmOverwrite);
    EXPECT_EQ(s.ui.dialogs[3].initialName, "dog.JPG");
}

// Every quality index writes the file once, at its own quality (75 outside the
// table): the same bytes as one write of the picture at that quality.
TEST(SaveJpeg, WritesOnceAtTheChosenQualityAndShowsTheStoredPicture) {
    TempDir dir;
    const std::string source = WriteJpeg(dir, "src.jpg");
    struct Case {
        int index;
        int command;
        int quality;
        const char* identified;
    };
    const Case cases[] = {
        {0, ID_FILE_SAVE_RGB_AS, 100, "40 30 sRGB 100"},         {1, ID_FILE_SAVE_RGB_AS, 95, "40 30 sRGB 95"},
        {2, ID_FILE_SAVE_RGB_AS, 90, "40 30 sRGB 90"},           {3, ID_FILE_SAVE_RGB_AS, 85, "40 30 sRGB 85"},
        {4, ID_FILE_SAVE_RGB_AS, 80, "40 30 sRGB 80"},           {5, ID_FILE_SAVE_RGB_AS, 75, "40 30 sRGB 75"},
        {6, ID_FILE_SAVE_RGB_AS, 70, "40 30 sRGB 70"},           {7, ID_FILE_SAVE_RGB_AS, 65, "40 30 sRGB 65"},
        {8, ID_FILE_SAVE_RGB_AS, 60, "40 30 sRGB 60"},           {9, ID_FILE_SAVE_RGB_AS, 50, "40 30 sRGB 50"},
        {12, ID_FILE_SAVE_RGB_AS, 75, "40 30 sRGB 75"},          {-1, ID_FILE_SAVE_RGB_AS, 75, "40 30 sRGB 75"},
        {0, ID_FILE_SAVE_GRAYSCALE_JPEG, 100, "40 30 Gray 100"}, {9, ID_FILE_SAVE_GRAYSCALE_JPEG, 50, "40 30 Gray 50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("index " + std::to_string(c.index) + " quality " + std::to_string(c.quality));
        Session s;
        s.Open(source);
        s.view.m_output.m_jpegQualityIndex = c.index;
        // The same picture written once by the codec, for comparison.
        std::vector<std::uint8_t> fileOrder = s.Buf();
        ToggleOrder(fileOrder.data(), 40, 30);
        const std::string reference = dir.File("reference.jpg");
        ASSERT_TRUE(
            JpegFile::SaveFromRgb(reference, fileOrder.data(), 40, 30, c.command == ID_FILE_SAVE_RGB_AS, c.quality));

        const std::string saved = dir.File("saved.JPG");
        s.Files(saved);
        s.view.OnCommand(c.command);
        EXPECT_EQ(s.Events("write").size(), 1u);
        EXPECT_EQ(Identify("%w %h %[colorspace] %Q", saved), c.identified);
        EXPECT_EQ(test::ReadFile(saved), test::ReadFile(reference));
        // The view now holds the file as stored.
        std::uint32_t w = 0, h = 0;
        auto stored = test::JpegPixels(saved, w, h);
        ASSERT_TRUE(stored);
        EXPECT_EQ(s.Buf(), std::vector<std::uint8_t>(stored.get(), stored.get() + w * h * 3));
        EXPECT_EQ(s.ui.waitDepth, 0);
        EXPECT_TRUE(s.Events("box").empty());
    }
}

TEST(SaveJpeg, FailedWriteReportsAndKeepsThePicture) {
    TempDir dir;
    Session s;
    s.Open(WriteJpeg(dir, "src.jpg"));
    const auto before = s.Buf();
    const std::string bad = dir.File("missing/out.jpg");
    s.Files(bad);
    s.view.OnCommand(ID_FILE_SAVE_RGB_AS);
    const auto boxes = s.Events("box");
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[boxes.size() - 2], Box("Write Error"));
    EXPECT_EQ(boxes.back(), Box(bad));
    EXPECT_EQ(s.Buf(), before);
    EXPECT_FALSE(std::filesystem::exists(bad));
}

TEST(SaveCommands, WithoutAPictureSayNoImage) {
    TempDir dir;
    Session s;
    s.view.OnCommand(ID_FILE_SAVE_COLORMAPPED_BMP);  // asks nothing first
    s.Files(dir.File("a.jpg"));
    s.view.OnCommand(ID_FILE_SAVE_RGB_AS);
    s.Files(dir.File("a.gif"));
    s.view.OnCommand(ID_FILE_SAVE_RGB_AS);
    EXPECT_EQ(s.Events("box"), (std::vector<std::string>{Box("No Image!"), Box("No Image!"), Box("No Image!")}));
    EXPECT_EQ(s.ui.dialogs.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SaveGif, AsksTheParametersThenSaysNoGifSupportAndWritesNothing) {
    TempDir dir;
    Session s;
    const std::string bmp = dir.File("pic.BMP");
    {
        auto px = Photo();
        BmpCodec codec;
        codec.SaveRgb(bmp, px.data(), 40, 30);
    }
    s.Open(bmp);
    const auto before = s.Buf();
    for (int gray : {0, 1}) {
        const std::string gif = dir.File(gray ? "pic2.gif" : "pic.GIF");
        s.Files(gif);
        if (gray)
            s.Dialog(IDOK, {}, {1008});
        else
            s.Dialog(IDOK);
        s.view.OnCommand(ID_FILE_SAVE_RGB_AS);
        EXPECT_FALSE(std::filesystem::exists(gif));
        EXPECT_EQ(s.Buf(), before);
    }
    EXPECT_EQ(s.Events("dialog").size(), 2u);
    EXPECT_EQ(s.Events("box"), (std::vector<std::string>{Box("No GIF support"), Box("No GIF support")}));

    // Cancelled: no message at all.
    s.Files(dir.File("pic3.gif"));
    s.view.OnCommand(ID_FILE_SAVE_RGB_AS);
    EXPECT_EQ(s.Events("box").size(), 2u);
    EXPECT_EQ(s.Buf(), before);
    EXPECT_EQ(s.ui.waitDepth, 0);
}

TEST(GetDimensions, ShowsWidthThenHeightOrTheErrors) {
    TempDir dir;
    Session s;
    s.Files(WriteJpeg(dir, "wide.jpg", 37, 12));
    s.view.OnCommand(ID_FILE_GET_JPG_DIMENSIONS);
    ASSERT_EQ(s.ui.dialogs.size(), 1u);
    EXPECT_EQ(s.ui.dialogs[0].title, "File to examine");
    EXPECT_EQ(s.ui.dialogs[0].filter, "JPG File (*.JPG)|*.JPG|All files (*.*)|*.*||");
    EXPECT_TRUE(s.ui.dialogs[0].mustExist);
    EXPECT_EQ(s.Events("box"), std::vector<std::string>{Box("37 12")});
    EXPECT_FALSE(s.view.m_buf);

    const std::string bmp = dir.File("not.jpg");
    BmpCodec codec;
    codec.SaveRgb(bmp, Photo().data(), 40, 30);
    s.Files(bmp);
    s.view.OnCommand(ID_FILE_GET_JPG_DIMENSIONS);
    const auto boxes = s.Events("box");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1].rfind("{\"event\":\"box\",\"caption\":\"JPEG Fatal Error\"", 0), 0u) << boxes[1];
    EXPECT_EQ(boxes[2], Box("JPEG Error"));
}

TEST(SaveCommands, WorkOnTheSlideShownDuringAShow) {
    TempDir dir;
    test::ScriptedView s;
    const auto paths = test::WriteBmpSlides(dir, 3);
    for (std::uint32_t i = 0; i < paths.size(); ++i) s.view.m_slides.Store(i, paths[i]);
    s.view.m_slides.m_slideCount = 3;
    s.view.m_speed = 0;
    for (int id : {ID_FILE_OPEN, ID_FILE_SAVE_RGB_AS, ID_FILE_SAVE_GRAYSCALE_JPEG, ID_FILE_GET_JPG_DIMENSIONS,
                   ID_FILE_SAVE_COLORMAPPED_BMP}) {
        s.ui.QueueAtPump(2, {ScriptAction::Kind::Command, id});  // right after slide 1 is shown
        s.ui.QueueFilesAnswer({});
    }
    const std::string out = dir.File("shown.bmp");
    s.ui.QueueAtPump(5, {ScriptAction::Kind::Command, ID_FILE_SAVE_RGB_AS});  // after slide 2
    s.ui.QueueFilesAnswer({false, {out}});
    ASSERT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    EXPECT_EQ(s.Events("disabled").size(), 0u);
    EXPECT_EQ(s.Events("filedialog").size(), 6u);
    EXPECT_EQ(s.Events("slide").size(), 3u);
    std::uint32_t w = 0, h = 0;
    RgbBuffer pixels;
    ASSERT_TRUE(BmpCodec().Load(out, pixels, w, h).Ok());
    std::uint32_t w2 = 0, h2 = 0;
    BmpCodec().Load(paths[1], pixels, w2, h2);
    EXPECT_EQ(w, w2);
    EXPECT_EQ(h, h2);
}

}  // namespace
}  // namespace vantor
