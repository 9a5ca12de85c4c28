#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "imaging/BmpTestSupport.h"

namespace vantor::test {
namespace {

struct Result {
    DecodeOutcome result;
    DecodedBmp bmp;
    Bytes Pixel(std::uint32_t x, std::uint32_t y) const {
        const std::uint8_t* p = bmp.pixels.get() + (std::size_t{y} * bmp.width + x) * 3;
        return {p[0], p[1], p[2]};
    }
};

Result Decode(const Bytes& file) {
    Result r;
    r.result = DecodeBmpFallback(file.data(), file.size(), "x.bmp", r.bmp);
    return r;
}

// How a refused file ended: its status, and what the user is told ("" for nothing).
std::pair<DecodeStatus, std::string> Refused(const Bytes& file) {
    const DecodeOutcome outcome = Decode(file).result;
    return {outcome.status, outcome.message};
}
const std::pair<DecodeStatus, std::string> kNotABitmap{DecodeStatus::Corrupt, ""};

const Bytes kBlack{0, 0, 0};

TEST(BmpFallback, RunLengthEightBits) {
    BmpFile f;
    f.width = 6;
    f.height = 3;
    f.bits = 8;
    f.compression = 1;
    f.table = Table({0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
    f.pixels = {
        3, 1, 0, 3, 2, 3, 0, 0,  // bottom row: index 1 three times, literal 2 3 0 (+ pad)
        0, 0,                    // end of line
        0, 2, 2, 1,              // move right 2, up 1 (to the top row)
        2, 2,                    // index 2 twice at x 2..3
        0, 1,                    // end of bitmap
    };
    const Result r = Decode(f.Build());
    ASSERT_TRUE(r.result.Ok());
    ASSERT_EQ(r.bmp.width, 6u);
    ASSERT_EQ(r.bmp.height, 3u);
    EXPECT_EQ(r.Pixel(0, 2), (Bytes{255, 0, 0}));
    EXPECT_EQ(r.Pixel(3, 2), (Bytes{0, 255, 0}));
    EXPECT_EQ(r.Pixel(4, 2), (Bytes{0, 0, 255}));
    EXPECT_EQ(r.Pixel(5, 2), kBlack);
    EXPECT_EQ(r.Pixel(1, 0), kBlack);  // skipped by the move: the first table entry
    EXPECT_EQ(r.Pixel(0, 1), kBlack);  // a row never written
    EXPECT_EQ(r.Pixel(2, 0), (Bytes{0, 255, 0}));
    EXPECT_EQ(r.Pixel(3, 0), (Bytes{0, 255, 0}));
    EXPECT_EQ(r.Pixel(4, 0), kBlack);
}

TEST(BmpFallback, RunLengthFourBitsAndTheBackground) {
    BmpFile f;
    f.width = 5;
    f.height = 2;
    f.bits = 4;
    f.compression = 2;
    f.table = Table({0x808080, 0xFF0000, 0x00FF00});
    f.pixels = {
        5, 0x12,              // 1 2 1 2 1
        0, 0,                 // end of line
        0, 3,    0x21, 0x20,  // literal 2 1 2 (two bytes, already even)
        0, 1,
    };
    const Result r = Decode(f.Build());
    ASSERT_TRUE(r.result.Ok());
    EXPECT_EQ(r.Pixel(0, 1), (Bytes{255, 0, 0}));
    EXPECT_EQ(r.Pixel(1, 1), (Bytes{0, 255, 0}));
    EXPECT_EQ(r.Pixel(4, 1), (Bytes{255, 0, 0}));
    EXPECT_EQ(r.Pixel(0, 0), (Bytes{0, 255, 0}));
    EXPECT_EQ(r.Pixel(2, 0), (Bytes{0, 255, 0}));
    EXPECT_EQ(r.Pixel(3, 0), (Bytes{128, 128, 128}));  // skipped: the first table entry
}

// Real 32-bit files, and masks inside longer headers, come in the comparisons
// with ImageMagick; here the 16-bit default, masks after a 40-byte header, and
// top-down rows.
TEST(BmpFallback, SixteenBits) {
    {  // 16 bits, 5-5-5 by default; 31 widens to 255.
        BmpFile f;
        f.width = 2;
        f.bits = 16;
        f.pixels = {0x00, 0x7C, 0xFF, 0x03};  // red, then green + blue 31
        const Result r = Decode(f.Build());
        ASSERT_TRUE(r.result.Ok());
        EXPECT_EQ(r.Pixel(0, 0), (Bytes{255, 0, 0}));
        EXPECT_EQ(r.Pixel(1, 0), (Bytes{0, 255, 255}));
    }
    {  // 16 bits with 5-6-5 masks after a 40-byte header.
        BmpFile f;
        f.width = 2;
        f.bits = 16;
        f.compression = 3;
        f.table = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
        f.pixels = {0xE0, 0x07, 0x10, 0x00};  // green 63, blue 16
        const Result r = Decode(f.Build());
        ASSERT_TRUE(r.result.Ok());
        EXPECT_EQ(r.Pixel(0, 0), (Bytes{0, 255, 0}));
        EXPECT_EQ(r.Pixel(1, 0), (Bytes{0, 0, 132}));
    }
    {  // Top-down: the first stored row is the top one.
        BmpFile f;
        f.height = -2;
        f.bits = 16;
        f.pixels = {0x00, 0x7C, 0, 0, 0x1F, 0x00, 0, 0};
        const Result r = Decode(f.Build());
        ASSERT_TRUE(r.result.Ok());
        EXPECT_EQ(r.Pixel(0, 0), (Bytes{255, 0, 0}));
        EXPECT_EQ(r.Pixel(0, 1), (Bytes{0, 0, 255}));
    }
}

TEST(BmpFallback, OverlappingTableAndShortData) {
    // The table runs into the pixel data: both are read from where they are.
    BmpFile f;
    f.bits = 8;
    f.width = 4;
    f.height = 2;
    f.table = Table({0x000000, 0x0000FF, 0x00FF00});
    f.pixelOffset = 54 + 4;
    f.pixels = {1, 2, 3, 0, 1, 0, 0, 0};
    const Result r = Decode(f.Build());
    ASSERT_TRUE(r.result.Ok());
    // Entry 1 is now the pixel bytes 1 2 3 0 (blue 1, green 2, red 3).
    EXPECT_EQ(r.Pixel(0, 1), (Bytes{3, 2, 1}));
    EXPECT_EQ(r.Pixel(0, 0), (Bytes{3, 2, 1}));
    EXPECT_EQ(r.Pixel(1, 0), kBlack);

    // Rows cut short, of any depth, are as untrustworthy as cut run-length data:
    // nothing to show, refused before the picture is allocated.
    struct Cut {
        std::uint16_t bits;
        std::int32_t width;
        std::int32_t height;
        std::size_t pixelBytes;
    };
    for (const Cut& c :
         {Cut{8, 4, 2, 5}, Cut{16, 2, 2, 7}, Cut{24, 4, 2, 23}, Cut{32, 1, 3, 8}, Cut{16, 10000, 10000, 16}}) {
        BmpFile g;
        g.bits = c.bits;
        g.width = c.width;
        g.height = c.height;
        g.pixels = Bytes(c.pixelBytes, 1);
        EXPECT_EQ(Refused(g.Build()), kNotABitmap) << c.bits << " bits, " << c.pixelBytes;
    }
}

TEST(BmpFallback, Refusals) {
    EXPECT_EQ(Refused({'B', 'M', 0}), kNotABitmap);
    EXPECT_EQ(Refused(Bytes(100, 'X')), kNotABitmap);
    BmpFile f;
    f.bits = 8;
    f.compression = 1;
    f.width = 4;
    f.pixels = {4, 1, 0, 1};
    Bytes cut = f.Build();
    cut.resize(cut.size() - 2);  // shorter than its header claims
    EXPECT_EQ(Refused(cut), kNotABitmap);
    f.width = -4;
    EXPECT_EQ(Refused(f.Build()),
              std::pair(DecodeStatus::Corrupt, std::string("File DIB Too Big for reading3 :\nx.bmp")));
    f.width = 70000;
    f.height = 70000;
    EXPECT_EQ(Refused(f.Build()),
              std::pair(DecodeStatus::TooLarge, std::string("m_buf nothing Write Error ni naruyo!!!")));
    f.width = 4;
    f.height = 1;
    f.compression = 4;  // embedded JPEG
    EXPECT_EQ(Refused(f.Build()),
              std::pair(DecodeStatus::Unsupported, std::string("File/DIB CANNOT LOAD for reading5 :\nx.bmp")));
}

}  // namespace
}  // namespace vantor::test
