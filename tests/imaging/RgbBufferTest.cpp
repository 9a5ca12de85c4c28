#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>

#include "TestSupport.h"
#include "imaging/RgbBuffer.h"

namespace vantor {
namespace {

std::vector<std::uint8_t> Ramp(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), std::uint8_t{1});
    return v;
}

TEST(RgbBuffer, SwapRedBlueTwiceRestores) {
    auto buf = Ramp(3 * 5 * 3);
    const auto original = buf;
    ASSERT_TRUE(SwapRedBlue(buf.data(), 5, 3));
    EXPECT_EQ(buf[0], original[2]);
    EXPECT_EQ(buf[1], original[1]);
    EXPECT_EQ(buf[2], original[0]);
    EXPECT_EQ(buf.back(), original[original.size() - 3]);
    ASSERT_TRUE(SwapRedBlue(buf.data(), 5, 3));
    EXPECT_EQ(buf, original);
    EXPECT_FALSE(SwapRedBlue(nullptr, 5, 3));
}

TEST(RgbBuffer, FlipRowsTwiceRestoresAndReversesRows) {
    for (unsigned height : {2u, 3u, 4u, 7u}) {
        const unsigned row = 2 * 3;
        auto buf = Ramp(row * height);
        const auto original = buf;
        ASSERT_TRUE(FlipRows(buf.data(), row, height));
        for (unsigned r = 0; r < height; ++r) {
            EXPECT_TRUE(std::equal(buf.begin() + r * row, buf.begin() + (r + 1) * row,
                                   original.begin() + (height - 1 - r) * row))
                << "height " << height << " row " << r;
        }
        ASSERT_TRUE(FlipRows(buf.data(), row, height));
        EXPECT_EQ(buf, original);
    }
    EXPECT_FALSE(FlipRows(nullptr, 6, 2));
}

TEST(RgbBuffer, FlipRowsOfOneRowChangesNothing) {
    auto buf = Ramp(9);
    const auto original = buf;
    EXPECT_TRUE(FlipRows(buf.data(), 9, 1));
    EXPECT_EQ(buf, original);
}

TEST(RgbBuffer, PadRowsToDwordRowLengths) {
    const std::pair<unsigned, std::uint32_t> cases[] = {{1, 4}, {4, 12}, {5, 16}, {2, 8}, {3, 12}};
    for (const auto& [width, expected] : cases) {
        const unsigned height = 3;
        auto buf = Ramp(width * 3 * height);
        std::uint32_t rowLength = 12345;
        auto padded = PadRowsToDword(buf.data(), width, height, rowLength);
        ASSERT_TRUE(padded) << width;
        EXPECT_EQ(rowLength, expected) << "width " << width;
        EXPECT_EQ(PaddedRowLength(width), expected);
        for (unsigned r = 0; r < height; ++r) {
            EXPECT_TRUE(
                std::equal(buf.begin() + r * width * 3, buf.begin() + (r + 1) * width * 3, padded.get() + r * expected))
                << "width " << width << " row " << r;
        }
    }
    std::uint32_t untouched = 77;
    EXPECT_FALSE(PadRowsToDword(nullptr, 4, 4, untouched));
    EXPECT_EQ(untouched, 77u);
}

// Every gray value 0..255 once: a row of pixels whose weighted sum truncates to
// 0, 1, ..., 255 (a plain g, g, g pixel can land just below g).
std::vector<std::uint8_t> GrayRow() {
    std::vector<std::uint8_t> v;
    for (int g = 0; g < 256; ++g) {
        std::uint8_t r = static_cast<std::uint8_t>(g);
        // Raise red until the truncated sum reaches g.
        while (static_cast<int>((g * 0.587 + g * 0.114) + r * 0.299) < g) ++r;
        v.push_back(r);
        v.push_back(static_cast<std::uint8_t>(g));
        v.push_back(static_cast<std::uint8_t>(g));
    }
    return v;
}

TEST(RgbBuffer, GrayIsTheTruncatedWeightedSum) {
    // 23 * 0.587 + 23 * 0.114 + 23 * 0.299 comes out just below 23 in doubles.
    const std::uint8_t px[3] = {23, 23, 23};
    PaletteEntry palette[256];
    auto idx = MakeGrayIndexImage(px, 1, 1, 3, 256, PixelOrder::File, palette);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx[0], static_cast<std::uint8_t>((23 * 0.587 + 23 * 0.114) + 23 * 0.299));
    EXPECT_EQ(idx[0], 22);
}

TEST(RgbBuffer, GrayIndexWithTwoLevels) {
    const auto src = GrayRow();
    PaletteEntry palette[2];
    auto idx = MakeGrayIndexImage(src.data(), 256, 1, 256 * 3, 2, PixelOrder::File, palette);
    ASSERT_TRUE(idx);
    for (int g = 0; g < 256; ++g) EXPECT_EQ(idx[g], g < 128 ? 0 : 1) << "gray " << g;
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(palette[0].c[c], 0);
        EXPECT_EQ(palette[1].c[c], 128);
    }
}

TEST(RgbBuffer, GrayIndexWithSixteenAndAllLevels) {
    const auto src = GrayRow();
    PaletteEntry palette16[16];
    auto idx = MakeGrayIndexImage(src.data(), 256, 1, 256 * 3, 16, PixelOrder::File, palette16);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx[255], 15);
    EXPECT_EQ(idx[0], 0);
    EXPECT_EQ(idx[16], 1);
    EXPECT_EQ(idx[15], 0);
    EXPECT_EQ(palette16[15].c[0], 240);
    EXPECT_EQ(palette16[1].c[2], 16);

    PaletteEntry palette256[256];
    auto same = MakeGrayIndexImage(src.data(), 256, 1, 256 * 3, 256, PixelOrder::File, palette256);
    ASSERT_TRUE(same);
    for (int g = 0; g < 256; ++g) {
        EXPECT_EQ(same[g], g);
        EXPECT_EQ(palette256[g].c[1], g);
    }
}

TEST(RgbBuffer, GrayOfPureRedAndBlueInEitherOrder) {
    // File order: red green blue. Display order: blue green red.
    const std::uint8_t redFile[3] = {255, 0, 0};
    const std::uint8_t redDisplay[3] = {0, 0, 255};
    const std::uint8_t blueFile[3] = {0, 0, 255};
    const std::uint8_t blueDisplay[3] = {255, 0, 0};
    PaletteEntry palette[256];
    EXPECT_EQ(MakeGrayIndexImage(redFile, 1, 1, 3, 256, PixelOrder::File, palette)[0], 76);
    EXPECT_EQ(MakeGrayIndexImage(redDisplay, 1, 1, 3, 256, PixelOrder::Display, palette)[0], 76);
    EXPECT_EQ(MakeGrayIndexImage(blueFile, 1, 1, 3, 256, PixelOrder::File, palette)[0], 29);
    EXPECT_EQ(MakeGrayIndexImage(blueDisplay, 1, 1, 3, 256, PixelOrder::Display, palette)[0], 29);
}

TEST(RgbBuffer, GrayIndexRowsFollowTheSourceRowLength) {
    // Two rows of one pixel each, source rows padded to 4 bytes.
    const std::uint8_t src[8] = {255, 255, 255, 0xEE, 0, 0, 0, 0xEE};
    PaletteEntry palette[256];
    auto idx = MakeGrayIndexImage(src, 1, 2, 4, 256, PixelOrder::File, palette);
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx[0], 255);
    EXPECT_EQ(idx[1], 0);
}

// The bytes of a bitmap file from its information header on: a 40-byte header of
// the given depth and colours-used field, then a colour table of count entries.
PackedDib InfoDib(std::uint16_t bits, std::uint32_t colorsUsed, std::int32_t width, std::int32_t height,
                  unsigned tableEntries) {
    PackedDib dib;
    auto& b = dib.bytes;
    b.assign(40 + tableEntries * 4 + 14, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    b[12] = 1;
    b[14] = static_cast<std::uint8_t>(bits);
    put32(32, colorsUsed);
    for (unsigned i = 0; i < tableEntries; ++i) {
        b[40 + i * 4 + 0] = static_cast<std::uint8_t>(i);      // blue
        b[40 + i * 4 + 1] = static_cast<std::uint8_t>(i + 1);  // green
        b[40 + i * 4 + 2] = static_cast<std::uint8_t>(i + 2);  // red
        b[40 + i * 4 + 3] = 0xAA;
    }
    return dib;
}

TEST(PackedDib, InformationHeaderFields) {
    const PackedDib dib = InfoDib(8, 0, 640, -480, 256);
    EXPECT_FALSE(PackedDibIsCore(dib));
    EXPECT_EQ(PackedDibWidth(dib), 640);
    EXPECT_EQ(PackedDibHeight(dib), -480);
    EXPECT_EQ(PackedDibColorCount(dib), 256u);
    EXPECT_EQ(PackedDibColorTableBytes(dib), 1024u);
    EXPECT_EQ(PackedDibColorCount(InfoDib(1, 0, 1, 1, 2)), 2u);
    EXPECT_EQ(PackedDibColorCount(InfoDib(4, 0, 1, 1, 16)), 16u);
    EXPECT_EQ(PackedDibColorCount(InfoDib(8, 7, 1, 1, 7)), 7u);
    EXPECT_EQ(PackedDibColorTableBytes(InfoDib(8, 7, 1, 1, 7)), 28u);
    EXPECT_EQ(PackedDibColorCount(InfoDib(16, 0, 1, 1, 0)), 0u);
}

TEST(PackedDib, TwentyFourBitsWithoutColoursUsedHasNoPalette) {
    const PackedDib dib = InfoDib(24, 0, 4, 4, 0);
    EXPECT_EQ(PackedDibColorCount(dib), 0u);
    EXPECT_EQ(PackedDibColorTableBytes(dib), 0u);
    DibPalette palette;
    EXPECT_FALSE(MakeDibPalette(&dib, palette));
    EXPECT_FALSE(MakeDibPalette(nullptr, palette));
}

TEST(PackedDib, PaletteFromAFourByteColourTable) {
    const PackedDib dib = InfoDib(4, 0, 2, 2, 16);
    DibPalette palette;
    ASSERT_TRUE(MakeDibPalette(&dib, palette));
    EXPECT_EQ(palette.version, 0x300);
    ASSERT_EQ(palette.entries.size(), 16u);
    EXPECT_EQ(palette.entries[5].red, 7);
    EXPECT_EQ(palette.entries[5].green, 6);
    EXPECT_EQ(palette.entries[5].blue, 5);
    EXPECT_EQ(palette.entries[5].flags, 0);
}

TEST(PackedDib, CoreHeaderWidthHeightAndThreeByteTable) {
    PackedDib dib;
    auto& b = dib.bytes;
    b.assign(12 + 16 * 3 + 14, 0);
    b[0] = 12;
    b[4] = 0x34;  // width 0x1234
    b[5] = 0x12;
    b[6] = 0xFF;  // height 0xFFFF, unsigned
    b[7] = 0xFF;
    b[8] = 1;
    b[10] = 4;
    for (int i = 0; i < 16; ++i) {
        b[12 + i * 3 + 0] = static_cast<std::uint8_t>(10 + i);  // blue
        b[12 + i * 3 + 1] = static_cast<std::uint8_t>(20 + i);  // green
        b[12 + i * 3 + 2] = static_cast<std::uint8_t>(30 + i);  // red
    }
    EXPECT_TRUE(PackedDibIsCore(dib));
    EXPECT_EQ(PackedDibWidth(dib), 0x1234);
    EXPECT_EQ(PackedDibHeight(dib), 0xFFFF);
    EXPECT_EQ(PackedDibColorCount(dib), 16u);
    EXPECT_EQ(PackedDibColorTableBytes(dib), 48u);
    DibPalette palette;
    ASSERT_TRUE(MakeDibPalette(&dib, palette));
    ASSERT_EQ(palette.entries.size(), 16u);
    EXPECT_EQ(palette.entries[1].red, 31);
    EXPECT_EQ(palette.entries[1].green, 21);
    EXPECT_EQ(palette.entries[1].blue, 11);
}

std::optional<PackedDib> LoadBytes(const std::vector<unsigned char>& bytes) {
    test::TempDir dir;
    const std::string path = dir.File("f.bmp");
    test::WriteFile(path, bytes);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return std::nullopt;
    auto dib = LoadPackedDib(f);
    std::fclose(f);
    return dib;
}

TEST(PackedDib, LoadRefusesShortOrForeignFiles) {
    EXPECT_FALSE(LoadBytes({}));
    EXPECT_FALSE(LoadBytes({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));  // 13 bytes
    std::vector<unsigned char> notBm(80, 0);
    notBm[0] = 'M';
    notBm[1] = 'B';
    EXPECT_FALSE(LoadBytes(notBm));
}

TEST(PackedDib, LoadKeepsTheFileFromItsInformationHeaderOn) {
    std::vector<unsigned char> file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    const PackedDib src = InfoDib(8, 2, 3, 5, 2);
    file.insert(file.end(), src.bytes.begin(), src.bytes.begin() + 40 + 8);
    file.push_back(0x5A);
    auto dib = LoadBytes(file);
    ASSERT_TRUE(dib);
    // The block is as long as the whole file; its last 14 bytes stay zero.
    ASSERT_EQ(dib->bytes.size(), file.size());
    EXPECT_EQ(PackedDibWidth(*dib), 3);
    EXPECT_EQ(PackedDibHeight(*dib), 5);
    EXPECT_EQ(PackedDibColorCount(*dib), 2u);
    EXPECT_EQ(dib->bytes[file.size() - 15], 0x5A);
    EXPECT_EQ(dib->bytes[file.size() - 14], 0);
    EXPECT_EQ(dib->bytes.back(), 0);
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

TEST(RgbBufferOrder, ToggleOrderIsSwapAndFlipInOnePass) {
    for (unsigned h : {1u, 2u, 3u, 4u}) {
        const unsigned w = 3;
        std::vector<std::uint8_t> a(w * h * 3), b;
        for (std::size_t i = 0; i < a.size(); ++i) a[i] = static_cast<std::uint8_t>(i * 7 + 1);
        b = a;
        ASSERT_TRUE(ToggleOrder(a.data(), w, h));
        SwapRedBlue(b.data(), w, h);
        FlipRows(b.data(), w * 3, h);
        EXPECT_EQ(a, b) << "height " << h;
    }
    EXPECT_FALSE(ToggleOrder(nullptr, 1, 1));
}

}  // namespace
}  // namespace vantor
