// The Exif orientation tag, and the turns that show a picture stored that way upright.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "TestSupport.h"
#include "imaging/BmpTestSupport.h"
#include "imaging/ExifOrientation.h"

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

}  // namespace
}  // namespace vantor::test
