// Saving the picture as a colour-mapped bitmap: the bits and quantization choices,
// the colour table written, and the file read back by ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "TestSupport.h"
#include "imaging/BmpTestSupport.h"
#include "imaging/OpenSaveTestSupport.h"
#include "resource.h"

namespace vantor {
namespace {

using namespace open_save_test;

// The file's bytes from the colour table on: bits, colours used, table entries.
struct BmpHeader {
    int bits = 0;
    std::uint32_t offset = 0;
    std::vector<std::uint8_t> table;
};
BmpHeader ReadBmpHeader(const std::string& path) {
    const auto b = test::ReadFile(path);
    BmpHeader h;
    if (b.size() < 54) return h;
    h.bits = b[28] | b[29] << 8;
    h.offset = b[10] | b[11] << 8 | b[12] << 16 | static_cast<std::uint32_t>(b[13]) << 24;
    h.table.assign(b.begin() + 54, b.begin() + std::min<std::size_t>(h.offset, b.size()));
    return h;
}

// The gray choices: the table holds the levels in order, the file reads back (by
// ImageMagick) as gray pixels of those levels only, and the view shows the file as
// stored.
TEST(SaveColormappedBmp, GrayChoicesWriteTheirLevelsAndReloadAsThem) {
    struct Case {
        const char* name;
        std::vector<int> bitsClicks;  // in "Choose # of bits"; none: 8 bits, as checked on opening
        bool quantization;            // the second dialog, answered "Grayscale"
        int bits;
        std::vector<std::uint8_t> levels;
    };
    std::vector<std::uint8_t> sixteen, all;
    for (unsigned i = 0; i < 256; ++i) {
        if (i < 16) sixteen.push_back(static_cast<std::uint8_t>(i * 16));
        all.push_back(static_cast<std::uint8_t>(i));
    }
    const Case cases[] = {
        {"one.bmp", {1001}, false, 1, {0, 128}},  // "1 Bit": two grays
        {"four.BMP", {1002}, false, 4, sixteen},  // "4 Bits"
        {"gray.bmp", {}, true, 8, all},
    };
    TempDir dir;
    const std::string source = WriteJpeg(dir, "photo.jpg");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Session s;
        s.Open(source);
        const std::string out = dir.File(c.name);
        s.Files(out);
        s.Dialog(IDOK, {}, c.bitsClicks);
        if (c.quantization) s.Dialog(IDOK, {}, {1008});  // "Grayscale"
        s.view.OnCommand(ID_FILE_SAVE_COLORMAPPED_BMP);

        const auto dialogs = s.Events("dialog");
        ASSERT_EQ(dialogs.size(), c.quantization ? 2u : 1u);
        EXPECT_EQ(dialogs[0], "{\"event\":\"dialog\",\"id\":150,\"title\":\"Choose # of bits\",\"answer\":\"OK\"}");
        const BmpHeader h = ReadBmpHeader(out);
        EXPECT_EQ(h.bits, c.bits);
        std::vector<std::uint8_t> table;
        for (std::uint8_t level : c.levels) table.insert(table.end(), {level, level, level, 0});
        table.resize(std::size_t{4} << c.bits, 0);
        EXPECT_EQ(h.table, table);
        const std::set<std::uint8_t> levels(c.levels.begin(), c.levels.end());
        const auto im = test::ImageMagickPixels(out);
        ASSERT_EQ(im.size(), 40u * 30 * 3);
        std::set<std::uint8_t> read;
        for (std::size_t i = 0; i < im.size(); i += 3) {
            EXPECT_TRUE(im[i] == im[i + 1] && im[i] == im[i + 2]) << i;
            read.insert(im[i]);
        }
        const auto shown = s.Buf();
        const std::set<std::uint8_t> seen(shown.begin(), shown.end());
        EXPECT_TRUE(std::includes(levels.begin(), levels.end(), read.begin(), read.end()));
        EXPECT_TRUE(std::includes(levels.begin(), levels.end(), seen.begin(), seen.end()));
        if (c.bits == 1) {  // the photo needs both grays
            EXPECT_EQ(read, levels);
            EXPECT_EQ(seen, levels);
        }
        EXPECT_EQ(s.view.m_width, 40u);
        EXPECT_EQ(s.ui.waitDepth, 0);
    }
}

TEST(SaveColormappedBmp, EightBitColourHas256EntriesZeroBeyondTheColoursFound) {
    TempDir dir;
    Session s;
    // Display order: blue, green, red. Left half pure red, right half pure blue.
    RgbBuffer pixels = AllocRgb(8, 4);
    for (unsigned i = 0; i < 32; ++i) {
        std::uint8_t* p = pixels.get() + i * 3;
        const bool red = i % 8 < 4;
        p[0] = red ? 0 : 255;
        p[1] = 0;
        p[2] = red ? 255 : 0;
    }
    s.view.m_buf.Replace(std::move(pixels), 8, 4);
    const std::string out = dir.File("eight.bmp");
    s.Files(out);
    s.Dialog(IDOK);                               // 8 bits, as checked on opening
    s.Dialog(IDOK, {{"m_paletteColors", "16"}});  // colour
    s.view.OnCommand(ID_FILE_SAVE_COLORMAPPED_BMP);

    const auto dialogs = s.Events("dialog");
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1], "{\"event\":\"dialog\",\"id\":131,\"title\":\"Quantization Params\",\"answer\":\"OK\"}");
    const BmpHeader h = ReadBmpHeader(out);
    EXPECT_EQ(h.bits, 8);
    ASSERT_EQ(h.table.size(), 1024u);
    // Walk order: blue (channel 0 high) before red; entries are blue, green, red, 0.
    EXPECT_EQ(std::vector<std::uint8_t>(h.table.begin(), h.table.begin() + 8),
              (std::vector<std::uint8_t>{255, 0, 0, 0, 0, 0, 255, 0}));
    EXPECT_TRUE(std::all_of(h.table.begin() + 8, h.table.end(), [](std::uint8_t b) { return b == 0; }));
    const auto im = test::ImageMagickPixels(out);
    ASSERT_EQ(im.size(), 8u * 4 * 3);
    for (unsigned i = 0; i < 32; ++i) {
        const bool red = i % 8 < 4;
        EXPECT_EQ(im[i * 3], red ? 255 : 0) << i;
        EXPECT_EQ(im[i * 3 + 2], red ? 0 : 255) << i;
    }
}

TEST(SaveColormappedBmp, TheCancelsAndAnOutOfRangeCountWriteNothing) {
    using Answer = std::pair<int, std::vector<std::pair<std::string, std::string>>>;
    struct Case {
        const char* what;
        std::vector<Answer> answers;
        bool rangeMessage = false;
    };
    const Case cases[] = {
        {"Cancel in \"Choose # of bits\"", {{IDCANCEL, {}}}},
        {"Cancel in \"Quantization Params\"", {{IDOK, {}}, {IDCANCEL, {}}}},
        // refused by the dialog, which stays open with the range message (and is then left)
        {"257 colours", {{IDOK, {}}, {IDOK, {{"m_paletteColors", "257"}}}}, true},
    };
    TempDir dir;
    const std::string source = WriteJpeg(dir, "photo.jpg");
    const std::string out = dir.File("q.bmp");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s;
        s.Open(source);
        s.Files(out);
        for (const Answer& a : c.answers) s.Dialog(a.first, a.second);
        s.view.OnCommand(ID_FILE_SAVE_COLORMAPPED_BMP);
        EXPECT_FALSE(std::filesystem::exists(out));
        const auto dialogs = s.Events("dialog");
        ASSERT_EQ(dialogs.size(), c.answers.size());
        EXPECT_EQ(dialogs.back().find("\"message\"") != std::string::npos, c.rangeMessage);
        EXPECT_EQ(s.ui.waitDepth, 0);
    }
}

TEST(SaveColormappedBmp, WriterFailureShowsItsStatusWithAnErrorIcon) {
    TempDir dir;
    Session s;
    s.Open(WriteJpeg(dir, "photo.jpg"));
    const auto before = s.Buf();
    s.Files(dir.File("missing/x.bmp"));
    s.Dialog(IDOK, {}, {1001});
    s.view.OnCommand(ID_FILE_SAVE_COLORMAPPED_BMP);
    EXPECT_EQ(s.Events("box"), std::vector<std::string>{Box("Can't Open", "error")});
    EXPECT_EQ(s.Buf(), before);
}

}  // namespace
}  // namespace vantor
