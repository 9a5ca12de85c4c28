// The view's file loaders on real files: what ends up in m_buf, and what the
// user is told.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TestSupport.h"
#include "imaging/BmpTestSupport.h"
#include "imaging/JpegFile.h"
#include "resource.h"
#include "viewer/TestBmp.h"

namespace vantor {
namespace {

using test::BmpFile;
using test::Bytes;

// A 2 x 2 picture, top row red then green, bottom row blue then white.
const Bytes kTopDownRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
// The same in display order: bottom row first, blue green red.
const Bytes kDisplayOrder = {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0};

Bytes Buf(const CVantorView& v) {
    return Bytes(v.m_buf.get(),
                 v.m_buf.get() + static_cast<std::size_t>(v.m_buf.PixelWidth()) * v.m_buf.PixelHeight() * 3);
}

TEST(Loaders, A24BitBmpEndsInDisplayOrder) {
    test::ScriptedView sv;
    test::TempDir dir;
    BmpFile f;
    f.width = 2;
    f.height = 2;
    // Bottom row first, blue green red, rows padded to 8 bytes.
    f.pixels = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    test::WriteFile(dir.File("a.bmp"), f.Build());
    sv.view.LoadBmpFile(dir.File("a.bmp"));
    ASSERT_TRUE(sv.view.m_buf);
    EXPECT_EQ(sv.view.m_width, 2u);
    EXPECT_EQ(sv.view.m_height, 2u);
    EXPECT_EQ(Buf(sv.view), kDisplayOrder);
    EXPECT_TRUE(sv.Events("box").empty());
}

TEST(Loaders, AJpegEndsInDisplayOrder) {
    test::ScriptedView sv;
    test::TempDir dir;
    // A gray picture survives JPEG compression exactly enough to check the order.
    Bytes gray(16 * 8 * 3);
    for (std::size_t row = 0; row < 8; ++row)
        for (std::size_t i = 0; i < 16 * 3; ++i) gray[row * 48 + i] = row < 4 ? 0 : 255;
    ASSERT_TRUE(JpegFile::SaveFromRgb(dir.File("g.JPG"), gray.data(), 16, 8, true, 100));
    sv.view.LoadByEnding(dir.File("g.JPG"));
    ASSERT_TRUE(sv.view.m_buf);
    EXPECT_EQ(sv.view.m_width, 16u);
    EXPECT_GT(sv.view.m_buf.get()[0], 247) << "display order starts with the bottom row, which is white";
    EXPECT_LT(sv.view.m_buf.get()[16 * 8 * 3 - 1], 8);
}

TEST(Loaders, CompressedAndDeepBitmapsGoThroughTheFallback) {
    test::ScriptedView sv;
    test::TempDir dir;

    BmpFile rle;  // 8-bit run-length: bottom row two pixels of colour 1, top row of colour 0
    rle.width = 2;
    rle.height = 2;
    rle.bits = 8;
    rle.compression = 1;
    rle.colorsUsed = 2;
    rle.table = test::Table({0x0000FF, 0xFF0000});
    rle.pixels = {2, 1, 0, 0, 2, 0, 0, 1};
    test::WriteFile(dir.File("rle.bmp"), rle.Build());
    sv.view.LoadBmpFile(dir.File("rle.bmp"));
    ASSERT_TRUE(sv.view.m_buf);
    EXPECT_EQ(Buf(sv.view), (Bytes{0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0}));

    BmpFile deep;  // 16-bit 5-5-5: one pure red pixel
    deep.width = 1;
    deep.height = 1;
    deep.bits = 16;
    deep.pixels = {0x00, 0x7C, 0, 0};
    test::WriteFile(dir.File("16.bmp"), deep.Build());
    sv.view.LoadBmpFile(dir.File("16.bmp"));
    ASSERT_TRUE(sv.view.m_buf);
    EXPECT_EQ(sv.view.m_buf.get()[2], 255);
    EXPECT_EQ(sv.view.m_buf.get()[0], 0);

    deep.bits = 32;  // blue, green, red, unused
    deep.pixels = {10, 20, 30, 0};
    test::WriteFile(dir.File("32.bmp"), deep.Build());
    sv.view.LoadBmpFile(dir.File("32.bmp"));
    ASSERT_TRUE(sv.view.m_buf);
    EXPECT_EQ(Buf(sv.view), (Bytes{10, 20, 30}));
    EXPECT_TRUE(sv.Events("box").empty());
}

TEST(Loaders, ATruncatedCompressedBitmapEndsSilentlyWithoutAPicture) {
    test::ScriptedView sv;
    test::TempDir dir;
    BmpFile rle;
    rle.width = 4;
    rle.height = 4;
    rle.bits = 8;
    rle.compression = 1;
    rle.colorsUsed = 2;
    rle.table = test::Table({0, 0xFFFFFF});
    rle.pixels = {4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 1};
    Bytes bytes = rle.Build();
    bytes.resize(bytes.size() - 10);  // the pixel data ends early
    test::WriteFile(dir.File("cut.bmp"), bytes);
    sv.view.LoadBmpFile(dir.File("cut.bmp"));
    EXPECT_FALSE(sv.view.m_buf);
    EXPECT_TRUE(sv.Events("box").empty());
}

TEST(Loaders, CodecFailuresAreShownAsTheirStatus) {
    test::ScriptedView sv;
    test::TempDir dir;
    test::WriteFile(dir.File("x.bmp"), {'X', 'Y', 1, 2, 3});
    sv.view.LoadBmpFile(dir.File("x.bmp"));
    EXPECT_FALSE(sv.view.m_buf);
    auto boxes = sv.Events("box");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("\"text\":\"Not a valid BMP File\""), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find("\"icon\":\"none\""), std::string::npos);
}

TEST(Loaders, AMissingGifIsToldWithTheSystemsReason) {
    test::ScriptedView sv;
    sv.view.m_buf.Replace(RgbBuffer(), 123, 45);
    sv.view.LoadByEnding("/nowhere/a.gif");
    EXPECT_FALSE(sv.view.m_buf);
    EXPECT_EQ(sv.view.m_width, 0u);
    EXPECT_EQ(sv.view.m_height, 0u);
    auto boxes = sv.Events("box");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("\"text\":\"cannot be opened: No such file or directory\""), std::string::npos);
}

TEST(Loaders, SaveBmpFileWritesAndReloads) {
    test::ScriptedView sv;
    test::TempDir dir;
    sv.view.SaveBmpFile(dir.File("none.bmp"));
    ASSERT_EQ(sv.Events("box").size(), 1u);
    EXPECT_NE(sv.Events("box")[0].find("\"text\":\"No Image!\""), std::string::npos);

    RgbBuffer pixels = AllocRgb(2, 2);
    std::copy(kDisplayOrder.begin(), kDisplayOrder.end(), pixels.get());
    sv.view.m_buf.Replace(std::move(pixels), 2, 2);
    const std::string path = dir.File("out.bmp");
    sv.view.SaveBmpFile(path);
    EXPECT_EQ(test::ReadFile(path).size(), 54u + 8 * 2);
    ASSERT_TRUE(sv.view.m_buf);
    EXPECT_EQ(Buf(sv.view), kDisplayOrder);
    ASSERT_EQ(sv.Events("write").size(), 1u);
}

// Files named like pictures that are no regular files: a FIFO (opening it for
// reading would wait for a writer for ever), devices behind links, folders. Each
// gets its loader's open-failure message and the show goes on.
TEST(Loaders, OnlyRegularFilesAreOpened) {
    test::TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(dir.File("pipe.bmp").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.path() / "zero.bmp");
    std::filesystem::create_symlink("/dev/urandom", dir.path() / "random.jpg");
    std::filesystem::create_directory(dir.path() / "folder.jpg");
    std::filesystem::create_directory(dir.path() / "folder.bmp");
    test::WriteFile(dir.File("ok.bmp"), test::Bmp24(3, 2));

    test::ScriptedView sv;
    auto& v = sv.view;
    const std::pair<const char*, std::string> cases[] = {
        {"pipe.jpg", "JPEG :\nCan't open " + dir.File("pipe.jpg") + "\n"},
        {"random.jpg", "JPEG :\nCan't open " + dir.File("random.jpg") + "\n"},
        {"folder.jpg", "JPEG :\nCan't open " + dir.File("folder.jpg") + "\n"},
        {"pipe.bmp", "Can't open file for reading :\n" + dir.File("pipe.bmp")},
        {"zero.bmp", "Can't open file for reading :\n" + dir.File("zero.bmp")},
        {"folder.bmp", "Can't open file for reading :\n" + dir.File("folder.bmp")},
    };
    for (const auto& [name, message] : cases) {
        sv.ClearTranscript();
        v.LoadByEnding(dir.File("ok.bmp"));
        ASSERT_TRUE(v.m_buf);
        v.LoadByEnding(dir.File(name));
        EXPECT_FALSE(v.m_buf) << name;
        const auto boxes = sv.Events("box");
        ASSERT_EQ(boxes.size(), 1u) << name;
        EXPECT_EQ(Json::parse(boxes[0])["text"], message) << name;
    }
    // The same files in a show: each is reported when its turn comes, and the show
    // reaches its last slide.
    sv.ClearTranscript();
    const char* order[] = {"ok.bmp",     "ok.bmp",     "pipe.jpg", "zero.bmp",
                           "folder.jpg", "random.jpg", "pipe.bmp", "ok.bmp"};
    v.m_slides.m_slideCount = 0;
    for (const char* name : order) v.m_slides.Store(v.m_slides.m_slideCount++, dir.File(name));
    v.m_speed = 0;
    for (int i = 0; i < 5; ++i) sv.ui.QueueDialogAnswer(DialogAnswer{IDOK, {}, {}});
    ASSERT_TRUE(v.OnCommand(ID_SLIDESHOW_START));
    const auto slides = sv.Events("slide");
    ASSERT_FALSE(slides.empty());
    EXPECT_EQ(Json::parse(slides.back())["number"], 8);
    EXPECT_EQ(sv.Events("dialog").size(), 5u) << "one stop-or-continue question per file that is no picture";
}

}  // namespace
}  // namespace vantor
