#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>

#include "TestSupport.h"
#include "imaging/BmpTestSupport.h"

namespace vantor::test {
namespace {

struct Loaded {
    RgbBuffer image;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string status;  // "OK", or the failure's text
    std::int32_t bytesRead = 0;
    int fallback = -1;
};

Loaded LoadBytes(const Bytes& bytes) {
    TempDir dir;
    const std::string path = dir.File("a.bmp");
    WriteFile(path, bytes);
    Loaded l;
    BmpCodec probe;
    RgbBuffer probed;
    std::uint32_t w = 0, h = 0;
    probe.ProbeLoad(path, probed, w, h, l.fallback);
    BmpCodec codec;
    const DecodeOutcome outcome = codec.Load(path, l.image, l.width, l.height);
    l.status = outcome.Ok() ? "OK" : outcome.message;
    l.bytesRead = codec.m_bytesRead;
    return l;
}

Bytes Pixel(const Loaded& l, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = l.image.get() + (std::size_t{y} * l.width + x) * 3;
    return {p[0], p[1], p[2]};
}

TEST(BmpCodecRead, TwentyFourBitRowsArePaddedAndComeOutTopRowFirst) {
    // Width 1: three bytes of pixel and one of padding a row; bottom row first in the file.
    BmpFile f;
    f.width = 1;
    f.height = 2;
    f.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    const Loaded l = LoadBytes(f.Build());
    ASSERT_EQ(l.status, "OK");
    EXPECT_EQ(l.fallback, 0);
    EXPECT_EQ(l.width, 1u);
    EXPECT_EQ(l.height, 2u);
    EXPECT_EQ(Pixel(l, 0, 0), (Bytes{6, 5, 4}));
    EXPECT_EQ(Pixel(l, 0, 1), (Bytes{3, 2, 1}));
    EXPECT_EQ(l.bytesRead, 54 + 8);
}

TEST(BmpCodecRead, IndexedDepths) {
    {  // 1 bit, width 10: 4-byte rows, the last two pixels in the top bits of byte 2.
        BmpFile f;
        f.width = 10;
        f.bits = 1;
        f.table = Table({0x000000, 0xFFFFFF});
        f.pixels = {0b10101010, 0b01000000, 0, 0};
        const Loaded l = LoadBytes(f.Build());
        ASSERT_EQ(l.status, "OK");
        EXPECT_EQ(Pixel(l, 0, 0), (Bytes{255, 255, 255}));
        EXPECT_EQ(Pixel(l, 1, 0), (Bytes{0, 0, 0}));
        EXPECT_EQ(Pixel(l, 8, 0), (Bytes{0, 0, 0}));
        EXPECT_EQ(Pixel(l, 9, 0), (Bytes{255, 255, 255}));
    }
    {  // 4 bits, colours used 0: a full 16-entry table.
        BmpFile f;
        f.width = 2;
        f.bits = 4;
        Bytes table;
        for (std::uint32_t i = 0; i < 16; ++i) table.insert(table.end(), {std::uint8_t(i), 0, std::uint8_t(i * 16), 0});
        f.table = table;
        f.pixels = {0xF1, 0, 0, 0};
        const Loaded l = LoadBytes(f.Build());
        ASSERT_EQ(l.status, "OK");
        EXPECT_EQ(Pixel(l, 0, 0), (Bytes{240, 0, 15}));
        EXPECT_EQ(Pixel(l, 1, 0), (Bytes{16, 0, 1}));
    }
    {  // 2 bits: a four-entry table.
        BmpFile f;
        f.width = 4;
        f.bits = 2;
        f.table = Table({0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
        f.pixels = {0b00011011, 0, 0, 0};
        const Loaded l = LoadBytes(f.Build());
        ASSERT_EQ(l.status, "OK");
        EXPECT_EQ(Pixel(l, 1, 0), (Bytes{255, 0, 0}));
        EXPECT_EQ(Pixel(l, 2, 0), (Bytes{0, 255, 0}));
        EXPECT_EQ(Pixel(l, 3, 0), (Bytes{0, 0, 255}));
    }
}

TEST(BmpCodecRead, ColourIndicesAndCountsBeyondTheTable) {
    {  // Indices past the two entries read are black, never a read outside the table.
        BmpFile f;
        f.bits = 8;
        f.width = 2;
        f.colorsUsed = 2;
        f.table = Table({0x102030, 0x405060});
        f.pixels = {1, 200, 0, 0};
        const Loaded l = LoadBytes(f.Build());
        ASSERT_EQ(l.status, "OK");
        EXPECT_EQ(Pixel(l, 0, 0), (Bytes{0x40, 0x50, 0x60}));
        EXPECT_EQ(Pixel(l, 1, 0), (Bytes{0, 0, 0}));
    }
    {  // A colours-used field far above what 8 bits index: the first 256 entries,
       // no allocation sized from the field.
        BmpFile f;
        f.bits = 8;
        f.colorsUsed = 0xFFFFFFFF;
        Bytes table = Table({0xABCDEF});
        table.resize(256 * 4);
        f.table = table;
        f.pixels = {0, 0, 0, 0};
        const Loaded l = LoadBytes(f.Build());
        ASSERT_EQ(l.status, "OK");
        EXPECT_EQ(Pixel(l, 0, 0), (Bytes{0xAB, 0xCD, 0xEF}));
    }
    {  // A table that runs past the pixel offset goes to the fallback.
        BmpFile f;
        f.bits = 8;
        f.table = Table({0x010203});
        f.table.resize(256 * 4);
        f.pixelOffset = 54 + 16 * 4;
        f.pixels = Bytes(2000, 0);
        const Loaded l = LoadBytes(f.Build());
        EXPECT_EQ(l.status, "Corrupt palette");
        EXPECT_EQ(l.fallback, 1);
        EXPECT_EQ(l.image, nullptr);
    }
}

TEST(BmpCodecRead, OtherHeaderSizesShowTheirTrueColours) {
    // Core headers (12 bytes) are covered by the ImageMagick comparisons.
    for (std::uint32_t size : {52u, 56u, 108u, 124u}) {  // longer headers: the table follows them
        BmpFile f;
        f.headerSize = size;
        f.bits = 1;
        f.colorsUsed = 2;
        f.table = Table({0x112233, 0x445566});
        f.pixels = {0x80, 0, 0, 0};
        const Loaded l = LoadBytes(f.Build());
        ASSERT_EQ(l.status, "OK") << size;
        EXPECT_EQ(Pixel(l, 0, 0), (Bytes{0x44, 0x55, 0x66})) << size;
    }
}

// Pixel data cut short is a read error whatever the rows' padding, and a size the
// file cannot hold is refused before the picture is allocated.
TEST(BmpCodecRead, TruncatedPixelData) {
    struct Case {
        std::uint16_t bits;
        std::int32_t width;
        std::int32_t height;
        std::size_t pixelBytes;  // what the file holds of its rows
    };
    const Case cases[] = {
        {24, 4, 2, 12 + 3},            // unpadded rows: the bottom row and one pixel
        {24, 4, 2, 0},                 // no pixels at all
        {24, 4, 2, 23},                // one byte short
        {24, 47, 33, 144 * 10 + 100},  // padded rows
        {24, 47, 33, 144 * 33 - 1},    // only the last padding byte missing
        {8, 47, 3, 48 * 2 + 10},       // indexed rows
        {24, 10000, 10000, 16},        // 70 bytes claiming 300 MB of pixels
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits " + std::to_string(c.width) + " x " + std::to_string(c.height) +
                     " with " + std::to_string(c.pixelBytes) + " bytes");
        BmpFile f;
        f.bits = c.bits;
        f.width = c.width;
        f.height = c.height;
        if (c.bits == 8) {
            f.colorsUsed = 1;
            f.table = Table({0});
        }
        f.pixels = Bytes(c.pixelBytes, 9);
        const Loaded l = LoadBytes(f.Build());
        EXPECT_EQ(l.status, "Read Error");
        EXPECT_EQ(l.image, nullptr);
        EXPECT_EQ(l.fallback, 0);
    }
    // The refusal comes before the picture's memory is taken.
    TempDir dir;
    const std::string huge = dir.File("huge.bmp");
    BmpFile f;
    f.width = 10000;
    f.height = 10000;
    f.pixels = Bytes(16, 9);
    WriteFile(huge, f.Build());
    const std::string grown = RunInChild([&] {
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        RgbBuffer pixels;
        std::uint32_t w = 0, h = 0;
        const DecodeOutcome outcome = BmpCodec().Load(huge, pixels, w, h);
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        return outcome.message + " " + std::to_string((after.ru_maxrss - before.ru_maxrss) / 1024);
    });
    // Megabytes the read took, far below the 300 of the picture it claims.
    const auto space = grown.rfind(' ');
    ASSERT_NE(space, std::string::npos) << grown;
    EXPECT_EQ(grown.substr(0, space), "Read Error");
    EXPECT_LT(std::stoi(grown.substr(space + 1)), 32) << grown;
}

TEST(BmpCodecRead, RefusalsAndTheirTexts) {
    auto status = [](const BmpFile& f) { return LoadBytes(f.Build()).status; };
    EXPECT_EQ(LoadBytes({'B', 'A', 0, 0}).status, "Not a valid BMP File");
    EXPECT_EQ(LoadBytes({'B'}).status, "Not a valid BMP File");
    Bytes shortHeader = BmpFile{}.Build();
    shortHeader.resize(30);
    EXPECT_EQ(LoadBytes(shortHeader).status, "Read Error!");

    BmpFile f;
    f.width = -5;
    EXPECT_EQ(status(f), "DIB is too large \n Out of Memory! \n Width is minus.");
    f.width = 5;
    f.height = -5;
    EXPECT_EQ(status(f), "DIB is too large \n Out of Memory! \n Height is minus.");
    f.height = 5;

    // Empty, over the picture cap, or over what 32 bits can size: refused before any
    // allocation; a picture over the cap for its size, not as out of memory.
    const std::pair<std::pair<int, int>, const char*> refused[] = {
        {{60000, 60000}, "The picture is too large: 60000 x 60000 pixels, more than 100 megapixels"},
        {{70000, 70000}, "The picture is too large: 70000 x 70000 pixels, more than 100 megapixels"},
        {{100001, 1000}, "The picture is too large: 100001 x 1000 pixels, more than 100 megapixels"},
        {{1677721700, 0}, "Memory alloc Failed"},
        {{0, 5}, "Memory alloc Failed"}};
    for (const auto& [size, text] : refused) {
        BmpFile big;
        big.width = size.first;
        big.height = size.second;
        const Loaded l = LoadBytes(big.Build());
        EXPECT_EQ(l.status, text);
        EXPECT_EQ(l.width, 0u);
    }

    const std::pair<std::uint16_t, const char*> handed[] = {{16, "16BIT はよめません"}, {32, "32BIT はよめません"}};
    for (auto [bits, text] : handed) {
        BmpFile g;
        g.bits = bits;
        const Loaded l = LoadBytes(g.Build());
        EXPECT_EQ(l.status, text);
        EXPECT_EQ(l.fallback, 1);
    }
    BmpFile rle;
    rle.bits = 8;
    rle.compression = 1;
    const Loaded l = LoadBytes(rle.Build());
    EXPECT_EQ(l.status, "This is a compressed file.");
    EXPECT_EQ(l.fallback, 1);

    BmpFile shortTable;
    shortTable.bits = 8;
    shortTable.colorsUsed = 4;
    shortTable.table = Table({1});
    shortTable.pixelOffset = 58;
    Bytes cut = shortTable.Build();
    cut.resize(60);
    EXPECT_EQ(LoadBytes(cut).status, "Read Error!");

    BmpFile odd;
    odd.bits = 3;
    EXPECT_EQ(LoadBytes(odd.Build()).fallback, 0);
    EXPECT_NE(status(odd), "OK");
    odd.headerSize = 20;
    odd.bits = 24;
    EXPECT_NE(status(odd), "OK");

    TempDir dir;
    RgbBuffer pixels;
    std::uint32_t w = 1, h = 1;
    const std::string missing = dir.File("none.bmp");
    EXPECT_EQ(BmpCodec().Load(missing, pixels, w, h).message, "Can't open file for reading :\n" + missing);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(w, 0u);
}

TEST(BmpCodecWrite, TwentyFourBitFiles) {
    TempDir dir;
    const std::string path = dir.File("out.bmp");
    BmpCodec codec;
    {  // width 1: one zero byte of padding per row; reads back in file order.
        const std::uint8_t display[] = {1, 2, 3, 4, 5, 6};  // bottom row first, blue green red
        ASSERT_EQ(codec.SaveRgb(path, display, 1, 2), "");
        const Bytes file = ReadFile(path);
        ASSERT_EQ(file.size(), 54u + 8);
        EXPECT_EQ(Bytes(file.begin() + 54, file.end()), (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
        EXPECT_EQ(file[2], 62);
        EXPECT_EQ(file[34], 8);  // image size
        std::uint32_t w = 0, h = 0;
        RgbBuffer back;
        ASSERT_TRUE(codec.Load(path, back, w, h).Ok());
        EXPECT_EQ(Bytes(back.get(), back.get() + 6), (Bytes{6, 5, 4, 3, 2, 1}));
    }
    {  // width 0: the headers, then the first row fails; the file is left as it was.
        const std::uint8_t any = 0;
        const Bytes before = ReadFile(path);
        EXPECT_EQ(codec.SaveRgb(path, &any, 0, 3), "fwrite error\nGiving up");
        EXPECT_EQ(ReadFile(path), before);
    }
    EXPECT_EQ(codec.SaveRgb(dir.File("no/such/dir.bmp"), nullptr, 1, 1), "Can't open file for writing");
}

TEST(BmpCodecWrite, ColourMappedFiles) {
    TempDir dir;
    const std::string path = dir.File("out.bmp");
    BmpCodec codec;
    const std::uint8_t palette[16 * 4] = {10, 20, 30, 0, 40, 50, 60, 0};
    {  // 4 bits, width 3: two pixel bytes and two zero bytes per row.
        const std::uint8_t indices[] = {1, 2, 3, 4, 5, 6};
        ASSERT_EQ(codec.SaveIndexed(path, indices, 3, 2, 4, 16, palette), "");
        const Bytes file = ReadFile(path);
        ASSERT_EQ(file.size(), 54u + 64 + 8);
        EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 62), (Bytes{30, 20, 10, 0, 60, 50, 40, 0}));
        EXPECT_EQ(Bytes(file.begin() + 118, file.end()), (Bytes{0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}));
        EXPECT_EQ(file[10], 118);
    }
    {  // 8 bits, 256 colours, 640 x 480.
        const Bytes indices(640 * 480, 7);
        const Bytes bigPalette(256 * 4, 1);
        EXPECT_EQ(codec.SaveIndexed(path, indices.data(), 640, 480, 8, 256, bigPalette.data()), "");
        EXPECT_EQ(std::filesystem::file_size(path), 54u + 1024 + 307200);
    }
    const std::uint8_t indices[] = {1, 2, 3};
    EXPECT_EQ(codec.SaveIndexed(path, indices, 3, 1, 3, 8, palette), "Error : nBits > 8????");
    const std::string never = dir.File("never.bmp");
    EXPECT_EQ(codec.SaveIndexed(never, indices, 3, 1, 24, 0, palette), "We don't do 24-bit files in here, sorry");
    EXPECT_FALSE(std::filesystem::exists(never));
    EXPECT_EQ(codec.SaveIndexed(dir.File("no/such/dir.bmp"), indices, 3, 1, 8, 2, palette), "Can't Open");
}

}  // namespace
}  // namespace vantor::test
