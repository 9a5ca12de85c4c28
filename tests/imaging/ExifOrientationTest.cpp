// The Exif orientation tag, and the turns that show a picture stored that way upright.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "TestSupport.h"
#include "imaging/BmpTestSupport.h"
#include "imaging/ExifOrientation.h"
#include "imaging/JpegPrefetch.h"
#include "imaging/OrientedJpeg.h"

namespace vantor::test {
namespace {

// An APP1 payload: the Exif header, a TIFF header in either byte order, and
// IFD0 with the given entries (tag, type, count, value in the first two bytes).
struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count;
    std::uint16_t value;
};
Bytes ExifBlock(bool bigEndian, const std::vector<Entry>& entries, std::uint32_t ifdOffset = 8) {
    Bytes b{'E', 'x', 'i', 'f', 0, 0};
    auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> 8 * (bigEndian ? n - 1 - i : i)));
    };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    put(42, 2);
    put(ifdOffset, 4);
    put(static_cast<std::uint32_t>(entries.size()), 2);
    for (const Entry& e : entries) {
        put(e.tag, 2);
        put(e.type, 2);
        put(e.count, 4);
        put(e.value, 2);
        put(0, 2);
    }
    put(0, 4);  // no next IFD
    return b;
}

TEST(ExifOrientation, ReadsTheTagInEitherByteOrderAndNothingElse) {
    const Entry width{0x0100, 3, 1, 640}, six{0x0112, 3, 1, 6};
    struct Case {
        const char* what;
        Bytes block;
        int expected;
    };
    Bytes cut = ExifBlock(false, {width, six});
    cut.resize(cut.size() - 10);  // the orientation entry cut in the middle
    Bytes notExif = ExifBlock(false, {six});
    notExif[0] = 'e';
    const Case cases[] = {
        {"little-endian, second entry", ExifBlock(false, {width, six}), 6},
        {"big-endian", ExifBlock(true, {six}), 6},
        {"every value", ExifBlock(true, {{0x0112, 3, 1, 8}}), 8},
        {"no orientation tag", ExifBlock(false, {width}), 1},
        {"value out of range", ExifBlock(false, {{0x0112, 3, 1, 9}}), 1},
        {"value zero", ExifBlock(false, {{0x0112, 3, 1, 0}}), 1},
        {"not a short", ExifBlock(false, {{0x0112, 4, 1, 6}}), 1},
        {"count zero", ExifBlock(false, {{0x0112, 3, 0, 6}}), 1},
        {"IFD past the end", ExifBlock(false, {six}, 0xFFFFFFF0u), 1},
        {"cut short", cut, 1},
        {"not Exif (XMP or other APP1)", notExif, 1},
        {"empty", Bytes{}, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(ExifOrientation(c.block.data(), c.block.size()), c.expected) << c.what;
}

// The pixels of a binary PPM file as ImageMagick writes it ("P6 w h 255").
Bytes PpmPixels(const std::string& path, unsigned& width, unsigned& height) {
    const Bytes file = ReadFile(path);
    unsigned maxValue = 0;
    int headerEnd = 0;
    const std::string head(file.begin(), file.begin() + std::min<std::size_t>(file.size(), 64));
    if (std::sscanf(head.c_str(), "P6 %u %u %u%n", &width, &height, &maxValue, &headerEnd) != 3) return {};
    return Bytes(file.begin() + headerEnd + 1, file.end());
}

// Each orientation against the ImageMagick operation that makes such a picture
// upright, on a crop with no two pixels alike and odd sides.
TEST(ExifOrientation, TurnsMatchImageMagicksOperations) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    TempDir dir;
    const char* operations[] = {"",           "",           "-flop",       "-rotate 180", "-flip",
                                "-transpose", "-rotate 90", "-transverse", "-rotate 270"};
    auto upright = [&](int orientation) { return dir.File("upright" + std::to_string(orientation) + ".ppm"); };
    std::string command = "rose: -crop 7x4+20+12 +repage";
    for (int orientation = 2; orientation <= 8; ++orientation)
        command += std::string(" \\( +clone ") + operations[orientation] + " -write '" + upright(orientation) +
                   "' +delete \\)";
    ASSERT_TRUE(RunConvert(command + " '" + upright(1) + "'"));
    unsigned w0 = 0, h0 = 0;
    const Bytes stored = PpmPixels(upright(1), w0, h0);
    ASSERT_EQ(stored.size(), 7u * 4 * 3);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        unsigned ew = 0, eh = 0;
        const Bytes expected = PpmPixels(upright(orientation), ew, eh);
        // Ours works on display order: bottom row first, blue green red.
        RgbBuffer pixels(new std::uint8_t[stored.size()]);
        std::memcpy(pixels.get(), stored.data(), stored.size());
        std::uint32_t w = 7, h = 4;
        ToggleOrder(pixels.get(), w, h);
        ASSERT_TRUE(TurnUpright(pixels, w, h, orientation));
        ASSERT_EQ(w, ew);
        ASSERT_EQ(h, eh);
        EXPECT_EQ(w, orientation >= 5 ? 4u : 7u);
        ToggleOrder(pixels.get(), w, h);
        EXPECT_EQ(Bytes(pixels.get(), pixels.get() + expected.size()), expected);
    }
}

// What a chooser was given, and the reduction it picks.
struct Chooser {
    unsigned eighths;
    mutable std::uint32_t width = 0, height = 0;
};
unsigned Choose(std::uint32_t width, std::uint32_t height, const void* context) {
    const auto* c = static_cast<const Chooser*>(context);
    c->width = width;
    c->height = height;
    return c->eighths;
}

Bytes PixelsOf(const JpegFile::Picture& p) {
    return Bytes(p.pixels.get(), p.pixels.get() + std::size_t{p.width} * p.height * 3);
}

// A photo stored on its side (512 x 256, four flat quadrants) decoded every way the
// program decodes: whole, in two bands, reduced for a frame, and ahead on
// a worker. Asked to, each stands it upright alike; unasked, each leaves it as stored.
TEST(ExifOrientation, EveryDecodeStandsThePictureUprightOnlyWhenAsked) {
    TempDir dir;
    struct Case {
        int orientation;  // 0: no Exif block
        Corners upright;  // 1 red, 2 green, 3 blue, 4 white
    };
    const Case cases[] = {{0, {1, 2, 3, 4}}, {1, {1, 2, 3, 4}}, {2, {2, 1, 4, 3}}, {3, {4, 3, 2, 1}}, {4, {3, 4, 1, 2}},
                          {5, {1, 3, 2, 4}}, {6, {3, 1, 4, 2}}, {7, {4, 2, 3, 1}}, {8, {2, 4, 1, 3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        const std::string path = dir.File("o" + std::to_string(c.orientation) + ".jpg");
        WriteOrientedJpeg(path, 512, 256, c.orientation);
        const bool across = c.orientation >= 5;
        const std::uint32_t w = across ? 256 : 512, h = across ? 512 : 256;

        JpegFile::Options aloud;
        aloud.upright = true;
        const JpegFile::Picture whole = JpegPicture(path, aloud);
        ASSERT_TRUE(whole.pixels);
        EXPECT_TRUE(whole.upright);
        EXPECT_EQ(std::vector<std::uint32_t>({whole.width, whole.height, whole.trueWidth, whole.trueHeight}),
                  std::vector<std::uint32_t>({w, h, w, h}));
        EXPECT_EQ(CornersOfDisplay(whole.pixels.get(), whole.width, whole.height), c.upright);

        JpegFile::Options bands = aloud;
        bands.splitFromPixels = 0;
        EXPECT_EQ(PixelsOf(JpegPicture(path, bands)), PixelsOf(whole)) << "two bands";

        // The chooser sees the upright size; a half-size decode is turned alike.
        const Chooser half{4};
        JpegFile::Options reduced = aloud;
        reduced.choose = &Choose;
        reduced.context = &half;
        const JpegFile::Picture small = JpegPicture(path, reduced);
        EXPECT_EQ(std::vector<std::uint32_t>({half.width, half.height, small.width, small.height, small.trueWidth}),
                  std::vector<std::uint32_t>({w, h, w / 2, h / 2, w}));
        EXPECT_EQ(CornersOfDisplay(small.pixels.get(), small.width, small.height), c.upright);

        // Decoded ahead: handed over only for the same request, turned the same.
        JpegPrefetch ahead;
        ahead.Start(path, nullptr, {}, true);
        EXPECT_FALSE(ahead.Take(path, nullptr, {}, false)) << "not for a load that keeps the stored way";
        const auto taken = ahead.Take(path, nullptr, {}, true);
        ASSERT_TRUE(taken);
        EXPECT_EQ(PixelsOf(*taken), PixelsOf(whole)) << "ahead";

        const JpegFile::Picture stored = JpegPicture(path);
        EXPECT_EQ(std::vector<std::uint32_t>({stored.width, stored.height}), std::vector<std::uint32_t>({512, 256}));
        EXPECT_EQ(CornersOfDisplay(stored.pixels.get(), 512, 256), (Corners{1, 2, 3, 4})) << "not asked";
    }
}

}  // namespace
}  // namespace vantor::test
