#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <filesystem>

#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "imaging/JpegTestSupport.h"
#include "viewer/DecodeMessages.h"

namespace vantor::test {
namespace {

using Bytes = std::vector<unsigned char>;

// The reads as the viewer makes them: what they met told in boxes.
RgbBuffer LoadToRgb(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    RgbBuffer pixels;
    ShowDecodeOutcome(JpegFile::LoadToRgb(path, pixels, width, height), PictureKind::Jpeg);
    return pixels;
}
RgbBuffer LoadToDisplay(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    RgbBuffer pixels;
    ShowDecodeOutcome(JpegFile::LoadToDisplay(path, pixels, width, height), PictureKind::Jpeg);
    return pixels;
}
bool ReadDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    const DecodeOutcome outcome = JpegFile::ReadDimensions(path, width, height);
    ShowDecodeOutcome(outcome, PictureKind::Jpeg);
    return outcome.Ok();
}

// The transcript line of a message box with an OK button.
std::string Box(const std::string& caption, std::string text, const std::string& icon) {
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.replace(at, 1, "\\n");
    return R"({"event":"box","caption":")" + caption + R"(","text":")" + text + R"(","buttons":"OK","icon":")" + icon +
           R"(","answer":"OK"})";
}

std::string Caption(const std::string& boxLine) {
    const std::size_t at = boxLine.find(R"("caption":")") + 11;
    return boxLine.substr(at, boxLine.find('"', at) - at);
}

Bytes Gradient(unsigned width, unsigned height) {
    Bytes rgb;
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            rgb.insert(rgb.end(), {static_cast<unsigned char>(x * 5), static_cast<unsigned char>(y * 7), 100});
    return rgb;
}

std::size_t FindMarker(const Bytes& b, unsigned char marker, std::size_t from = 0) {
    for (std::size_t i = from; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == marker) return i;
    return std::string::npos;
}

TEST(JpegFile, ColourRoundTripAndDimensions) {
    ScriptedView sv;
    TempDir dir;
    const std::string path = dir.File("a.jpg");
    const Bytes rgb = Gradient(47, 33);
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, rgb.data(), 47, 33, true, 100));
    EXPECT_EQ(LastJpegPath(), path);
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(ReadDimensions(path, w, h));
    EXPECT_EQ(w, 47u);
    EXPECT_EQ(h, 33u);
    RgbBuffer back = LoadToRgb(path, w, h);
    ASSERT_TRUE(back);
    ASSERT_EQ(w, 47u);
    ASSERT_EQ(h, 33u);
    for (std::size_t i = 0; i < rgb.size(); ++i) ASSERT_NEAR(back[i], rgb[i], 8) << i;
    EXPECT_TRUE(sv.Events("box").empty());
}

TEST(JpegFile, QualityIndexTable) {
    // The scale dialog's index, its quality; anything outside 0..9 writes at 75.
    const int table[][2] = {{0, 100}, {1, 95}, {4, 80}, {5, 75}, {8, 60}, {9, 50}, {-1, 75}, {10, 75}, {255, 75}};
    for (const auto& [index, quality] : table) EXPECT_EQ(JpegQualityFor(index), quality) << index;
}

TEST(JpegFile, BytesEncodedInMemoryAreTheFileWritten) {
    ScriptedView sv;
    TempDir dir;
    // Noise compresses badly: the larger pictures take many of the memory's chunks.
    struct Case {
        unsigned width, height;
        bool color;
        int quality;
    };
    for (const Case c : {Case{47, 33, true, 75}, Case{700, 500, true, 100}, Case{900, 700, false, 95}}) {
        Bytes rgb(std::size_t{c.width} * c.height * 3);
        std::uint32_t seed = 12345;
        for (auto& b : rgb) b = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 24);
        const std::string direct = dir.File("direct.jpg"), later = dir.File("later.jpg");
        ASSERT_TRUE(JpegFile::SaveFromRgb(direct, rgb.data(), c.width, c.height, c.color, c.quality));
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(JpegFile::EncodeRgb(rgb.data(), c.width, c.height, c.color, c.quality, bytes));
        ASSERT_TRUE(JpegFile::SaveEncoded(later, bytes));
        EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), ReadFile(direct)) << c.width;
        EXPECT_EQ(ReadFile(later), ReadFile(direct)) << c.width;
        EXPECT_EQ(LastJpegPath(), later);
    }
    EXPECT_TRUE(sv.Events("box").empty());
}

TEST(JpegFile, GrayscaleWriteUsesTruncatedWeightedSums) {
    ScriptedView sv;
    TempDir dir;
    const std::string path = dir.File("g.jpg");
    // Six flat 8 x 8 blocks, which quality 100 keeps exactly.
    const unsigned char colours[6][3] = {{255, 255, 255}, {255, 0, 0},     {0, 255, 0},
                                         {0, 0, 255},     {128, 128, 128}, {1, 1, 1}};
    Bytes rgb;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 48; ++x) rgb.insert(rgb.end(), colours[x / 8], colours[x / 8] + 3);
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, rgb.data(), 48, 8, false, 100));
    const Bytes file = ReadFile(path);
    const std::size_t sof = FindMarker(file, 0xC0);  // baseline
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ(file[sof + 9], 1) << "one component";
    std::uint32_t w = 0, h = 0;
    RgbBuffer back = LoadToRgb(path, w, h);
    ASSERT_TRUE(back);
    const int expected[6] = {255, 76, 149, 29, 127, 0};
    for (int block = 0; block < 6; ++block) {
        const unsigned char* p = back.get() + (4 * 48 + block * 8 + 4) * 3;
        EXPECT_EQ(p[0], expected[block]) << block;
        EXPECT_EQ(p[1], p[0]);
        EXPECT_EQ(p[2], p[0]);
    }
}

TEST(JpegFile, OpenFailuresAndRefusedWrites) {
    ScriptedView sv;
    TempDir dir;
    const std::string missing = dir.File("none.jpg");
    std::uint32_t w = 5, h = 5;
    EXPECT_EQ(LoadToRgb(missing, w, h), nullptr);
    EXPECT_EQ(w, 0u);
    EXPECT_FALSE(ReadDimensions(missing, w, h));
    const std::string unwritable = dir.File("no/such/dir.jpg");
    const std::uint8_t pixel[3] = {1, 2, 3};
    EXPECT_FALSE(JpegFile::SaveFromRgb(unwritable, pixel, 1, 1, true, 90));
    EXPECT_EQ(sv.Events("box"), (std::vector<std::string>{
                                    Box("Vantor", "JPEG :\nCan't open " + missing + "\n", "none"),
                                    Box("Vantor", "JPEG :\nCan't open " + missing + "\n", "none"),
                                    Box("Vantor", "JpegFile :\nCan't open " + unwritable + "\n", "none"),
                                }));
    sv.ClearTranscript();
    const std::string zero = dir.File("zero.jpg");
    EXPECT_FALSE(JpegFile::SaveFromRgb(zero, pixel, 0, 1, true, 90));
    EXPECT_FALSE(JpegFile::SaveFromRgb(zero, pixel, 1, 0, false, 90));
    EXPECT_FALSE(JpegFile::SaveFromRgb(zero, nullptr, 1, 1, true, 90));
    EXPECT_FALSE(std::filesystem::exists(zero));
    EXPECT_TRUE(sv.Events("box").empty());
}

TEST(JpegFile, DamagedFiles) {
    ScriptedView sv;
    TempDir dir;
    {  // Not a JPEG: one fatal box, nothing returned.
        const std::string path = dir.File("not.jpg");
        WriteFile(path, Bytes(100, 'x'));
        std::uint32_t w = 0, h = 0;
        EXPECT_EQ(LoadToRgb(path, w, h), nullptr);
        const auto boxes = sv.Events("box");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(Caption(boxes[0]), "JPEG Fatal Error");
        EXPECT_NE(boxes[0].find(R"("icon":"error")"), std::string::npos);
    }
    sv.ClearTranscript();
    {  // Cut inside the scan data: the warning and the path, then a full-size picture.
        Bytes noisy;
        for (unsigned i = 0; i < 64 * 64 * 3; ++i) noisy.push_back(static_cast<unsigned char>(i * 7919 % 251));
        Bytes file = Writer{}.Encode(noisy, 64, 64);
        file.resize(file.size() * 6 / 10);
        const std::string path = dir.File("cut.jpg");
        WriteFile(path, file);
        std::uint32_t w = 0, h = 0;
        ASSERT_TRUE(ReadDimensions(path, w, h));
        EXPECT_EQ(w, 64u);
        RgbBuffer back = LoadToRgb(path, w, h);
        EXPECT_TRUE(back);
        EXPECT_EQ(h, 64u);
        const auto boxes = sv.Events("box");
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(Caption(boxes[0]), "JPEG Error");
        EXPECT_NE(boxes[0].find(R"("icon":"none")"), std::string::npos);
        EXPECT_EQ(boxes[1], Box("JPEG Error", path, "none"));
    }
}

TEST(JpegFile, PicturesTooLargeAreRefusedBeforeDecoding) {
    ScriptedView sv;
    TempDir dir;
    const Bytes base = Writer{}.Encode(Gradient(8, 8), 8, 8);
    const std::size_t sof = FindMarker(base, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    // 20000 x 20000 is above the cap; 65500 x 65500 x 3 does not fit 32 bits.
    for (unsigned side : {20000u, 65500u}) {
        Bytes file = base;
        file[sof + 5] = file[sof + 7] = static_cast<unsigned char>(side >> 8);
        file[sof + 6] = file[sof + 8] = static_cast<unsigned char>(side);
        const std::string path = dir.File("big.jpg");
        WriteFile(path, file);
        std::uint32_t w = 1, h = 1;
        EXPECT_EQ(LoadToRgb(path, w, h), nullptr);
        EXPECT_EQ(w, 0u);
        EXPECT_EQ(h, 0u);
        // Refused for its size, never said to be out of memory.
        const std::string n = std::to_string(side);
        EXPECT_EQ(sv.Events("box"), (std::vector<std::string>{Box("Vantor",
                                                                  "JpegFile :\nThe picture is too large: " + n + " x " +
                                                                      n + " pixels, more than 100 megapixels",
                                                                  "error")}));
        sv.ClearTranscript();
    }
}

TEST(JpegFile, FourComponentFilesBecomeRgb) {
    ScriptedView sv;
    TempDir dir;
    // Two flat blocks per file: no ink and full cyan.
    auto load = [&](const Writer& writer, const unsigned char paper[4], const unsigned char cyan[4]) {
        Bytes cmyk;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) cmyk.insert(cmyk.end(), x < 8 ? paper : cyan, (x < 8 ? paper : cyan) + 4);
        const std::string path = dir.File("cmyk.jpg");
        WriteFile(path, writer.Encode(cmyk, 16, 8));
        std::uint32_t w = 0, h = 0;
        return LoadToRgb(path, w, h);
    };
    auto expectNear = [](const std::uint8_t* p, int r, int g, int b) {
        EXPECT_NEAR(p[0], r, 2);
        EXPECT_NEAR(p[1], g, 2);
        EXPECT_NEAR(p[2], b, 2);
    };
    Writer adobe;
    adobe.in = JCS_CMYK;
    adobe.components = 4;
    {  // Adobe files store the inks inverted.
        const unsigned char paper[4] = {255, 255, 255, 255}, cyan[4] = {0, 255, 255, 255};
        RgbBuffer rgb = load(adobe, paper, cyan);
        ASSERT_TRUE(rgb);
        expectNear(rgb.get() + 3 * (4 * 16 + 2), 255, 255, 255);
        expectNear(rgb.get() + 3 * (4 * 16 + 12), 0, 255, 255);
    }
    Writer plain = adobe;
    plain.adobeMarker = false;
    {
        const unsigned char paper[4] = {0, 0, 0, 0}, cyan[4] = {255, 0, 0, 0};
        RgbBuffer rgb = load(plain, paper, cyan);
        ASSERT_TRUE(rgb);
        expectNear(rgb.get() + 3 * (4 * 16 + 2), 255, 255, 255);
        expectNear(rgb.get() + 3 * (4 * 16 + 12), 0, 255, 255);
    }
    EXPECT_TRUE(sv.Events("box").empty());
}

TEST(JpegFile, DisplayOrderLoadMatchesLoadThenConvert) {
    ScriptedView sv;
    TempDir dir;
    const unsigned w = 21, h = 13;
    Bytes gray(w * h), cmyk;
    for (unsigned i = 0; i < w * h; ++i) {
        gray[i] = static_cast<unsigned char>(i * 3);
        cmyk.insert(cmyk.end(), {static_cast<unsigned char>(i), 40, static_cast<unsigned char>(255 - i), 9});
    }
    Writer grayWriter;
    grayWriter.in = JCS_GRAYSCALE;
    grayWriter.components = 1;
    Writer cmykWriter;
    cmykWriter.in = JCS_CMYK;
    cmykWriter.components = 4;
    const std::pair<Writer, Bytes> kinds[] = {{Writer{}, Gradient(w, h)}, {grayWriter, gray}, {cmykWriter, cmyk}};
    for (const auto& [writer, samples] : kinds) {
        const std::string path = dir.File("k.jpg");
        WriteFile(path, writer.Encode(samples, w, h));
        std::uint32_t fw = 0, fh = 0, dw = 0, dh = 0;
        RgbBuffer file = LoadToRgb(path, fw, fh);
        RgbBuffer display = LoadToDisplay(path, dw, dh);
        ASSERT_TRUE(file && display);
        ASSERT_EQ(fw, dw);
        ASSERT_EQ(fh, dh);
        ToggleOrder(file.get(), fw, fh);
        EXPECT_EQ(Bytes(file.get(), file.get() + w * h * 3), Bytes(display.get(), display.get() + w * h * 3))
            << writer.components << " components";
    }
    EXPECT_TRUE(sv.Events("box").empty());
}

TEST(JpegFile, EndlessProgressiveScansEndInAFatalError) {
    ScriptedView sv;
    TempDir dir;
    Writer progressive;
    progressive.progressive = true;
    const Bytes base = progressive.Encode(Gradient(16, 16), 16, 16);
    // Repeat the last scan (from its SOS marker up to the end marker) 600 times.
    std::size_t lastScan = 0;
    for (std::size_t at = 0; (at = FindMarker(base, 0xDA, at + 1)) != std::string::npos;) lastScan = at;
    const std::size_t eoi = FindMarker(base, 0xD9, lastScan);
    ASSERT_NE(eoi, std::string::npos);
    Bytes file(base.begin(), base.begin() + static_cast<long>(eoi));
    for (int i = 0; i < 600; ++i)
        file.insert(file.end(), base.begin() + static_cast<long>(lastScan), base.begin() + static_cast<long>(eoi));
    file.insert(file.end(), {0xFF, 0xD9});
    const std::string path = dir.File("scans.jpg");
    WriteFile(path, file);
    std::uint32_t w = 0, h = 0;
    EXPECT_EQ(LoadToRgb(path, w, h), nullptr);
    const auto boxes = sv.Events("box");
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(Caption(boxes.back()), "JPEG Fatal Error");
    EXPECT_NE(boxes.back().find("Too many scans"), std::string::npos) << boxes.back();
}

}  // namespace
}  // namespace vantor::test
