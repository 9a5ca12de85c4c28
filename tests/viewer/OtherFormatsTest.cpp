// PNG, GIF, WebP, TIFF, HEIC and AVIF as the user meets them: opened and shown
// over the screen's background, saved by the picture commands, written by
// `vantor --write` over the output background, and taken from a folder by name,
// each held against ImageMagick's decode of the same file.
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/BatchTestSupport.h"
#include "imaging/ImageMagickSupport.h"
#include "imaging/OpenSaveTestSupport.h"

namespace vantor::test {
namespace {

using open_save_test::Box;
using open_save_test::Session;

constexpr std::uint8_t kBlack[3] = {0, 0, 0};
constexpr std::uint8_t kWhite[3] = {255, 255, 255};

struct Case {
    const char* name;
    std::string make;  // convert's arguments before the output
    // Lossless formats differ by a rounding at most where a picture is partly
    // transparent; the lossy ones by ImageMagick's own conversion of colours.
    double minPsnr;
};

// A photo with alpha rising from 0 on the left to 1 on the right.
const std::string kFading = "rose: -resize 97x61! -alpha set -channel A -fx i/w +channel ";
const std::string kPhoto = "rose: -resize 61x97! ";

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"screenshot.png", kFading + "PNG32:", 48},
        {"deep.png", kPhoto + "-depth 16 PNG48:", 48},
        {"palette.png", kFading + "PNG8:", 48},
        {"gray.png", kPhoto + "-colorspace Gray -interlace PNG PNG:", 48},
        {"bilevel.png", kPhoto + "-monochrome PNG:", 48},
        {"animated.gif",
         "-dispose none -delay 10 \\( rose: -resize 20x10! -repage 50x40+5+7 \\) \\( rose: -resize 50x40! "
         "-repage 50x40+0+0 \\) -loop 0 GIF:",
         48},
        {"sticker.webp", kFading + "-define webp:lossless=true WEBP:", 48},
        {"lossy.webp", kPhoto + "-quality 80 WEBP:", 40},
        {"layer.tiff", kFading + "-depth 16 TIFF:", 45},
        {"scan.tif", kPhoto + "-compress LZW TIFF:", 48},
        {"phone.heic", kPhoto + "-quality 90 HEIC:", 40},
        {"web.avif", kPhoto + "-quality 90 AVIF:", 40},
    };
    return cases;
}

// The same size exactly, and pixels within the bound.
void ExpectAlike(const RgbPicture& ours, const RgbPicture& theirs, double minPsnr) {
    EXPECT_EQ(ours.width, theirs.width);
    EXPECT_EQ(ours.height, theirs.height);
    EXPECT_GE(Compare(ours.pixels, theirs.pixels).psnr, minPsnr);
}

TEST(OtherFormats, ShownSavedAndWrittenAsImageMagickDecodesThem) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    TempDir in, out;
    for (const Case& c : Cases()) ASSERT_TRUE(RunConvert(c.make + "'" + in.File(c.name) + "'")) << c.name;

    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::string path = in.File(c.name);
        Session s;
        s.Open(path);
        // The background toggles from gray to black: the picture is drawn over it at once.
        s.view.OnCommand(ID_EFFECT_BACKGROUND);
        EXPECT_TRUE(s.Events("box").empty()) << s.out.str();
        const RgbPicture black = ImageMagickFlat(path, kBlack);
        EXPECT_EQ(s.view.m_width, black.width);
        EXPECT_EQ(s.view.m_height, black.height);
        ExpectAlike(FromDisplayOrder(s.view.m_buf.get(), s.view.m_buf.PixelWidth(), s.view.m_buf.PixelHeight()), black,
                    c.minPsnr);

        // Save RGB As proposes the save's ending and writes the picture shown.
        s.Files(out.File("saved.bmp"));
        s.view.OnCommand(ID_FILE_SAVE_RGB_AS);
        ASSERT_FALSE(s.ui.dialogs.empty());
        EXPECT_EQ(s.ui.dialogs.back().initialName, std::filesystem::path(c.name).stem().string() + ".JPG");
        ExpectAlike(ImageMagickFlat(out.File("saved.bmp"), kBlack), black, c.minPsnr);

        // Get Dimensions reads the header's size.
        s.Files(path);
        s.view.OnCommand(ID_FILE_GET_JPG_DIMENSIONS);
        EXPECT_EQ(s.Events("box"),
                  std::vector<std::string>{Box(std::to_string(black.width) + " " + std::to_string(black.height))});
    }

    // The whole folder, by name, written at the pictures' own sizes as bitmaps over white.
    test::WriteFile(in.File("notes.txt"), {'n'});
    const ProgramRun run = RunVantor("--write " + Quote(out.path().string()) +
                                     " --mode 1 --type bmp --background white " + Quote(in.path().string()));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    std::vector<std::string> names;
    for (const Case& c : Cases()) names.push_back(c.name);
    std::sort(names.begin(), names.end());
    std::string written;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string bmp = out.File(std::filesystem::path(name).stem().string() + ".BMP");
        written += bmp + "\n";
        const double minPsnr =
            std::find_if(Cases().begin(), Cases().end(), [&](const Case& c) { return name == c.name; })->minPsnr;
        ExpectAlike(ImageMagickFlat(bmp, kWhite), ImageMagickFlat(in.File(name), kWhite), minPsnr);
    }
    EXPECT_EQ(run.out, written);
}

// A damaged file of each format is told in a box and shows nothing; on the
// command line it is one line with the decoder's reason, and the rest is written.
TEST(OtherFormats, ADamagedFileIsToldAndTheRestGoesOn) {
    TempDir in, out;
    const std::string names[] = {"a.png", "b.gif", "c.webp", "d.tif", "e.heic", "f.avif"};
    for (const std::string& name : names) test::WriteFile(in.File(name), {'n', 'o', 't'});
    for (const std::string& name : names) {
        Session s;
        s.Open(in.File(name));
        ASSERT_EQ(s.Events("box").size(), 1u) << name;
        EXPECT_FALSE(s.view.m_buf) << name;
    }
    const ProgramRun run = RunVantor("--write " + Quote(out.path().string()) + " " + Quote(in.path().string()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    const std::string I = in.path().string() + "/";
    EXPECT_EQ(run.err, "vantor: " + I + "a.png: not a readable PNG picture (not a PNG picture)\n" +  //
                           "vantor: " + I + "b.gif: not a readable GIF picture (not a GIF picture)\n" + "vantor: " + I +
                           "c.webp: not a readable WebP picture (not a WebP picture)\n" + "vantor: " + I +
                           "d.tif: not a readable TIFF picture (not a TIFF picture)\n" + "vantor: " + I +
                           "e.heic: not a readable HEIC picture (not a HEIC picture)\n" + "vantor: " + I +
                           "f.avif: not a readable AVIF picture (not an AVIF picture)\n");
}

}  // namespace
}  // namespace vantor::test
