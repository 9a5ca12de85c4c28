// Real files from other programs: each must decode to the pixels ImageMagick
// reports for it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"
#include "imaging/BmpTestSupport.h"

namespace vantor::test {
namespace {

namespace fs = std::filesystem;

// tolerance: ImageMagick widens 4-bit channels by shifting (15 gives 240) where
// we repeat the bits (15 gives 255).
void ExpectSameAsImageMagick(const std::string& path, int tolerance = 0) {
    SCOPED_TRACE(path);
    Picture ours = DecodeLikeViewer(path);
    // The viewer refuses top-down files; the fallback decoder reads them all the same.
    if (ours.status == "DIB is too large \n Out of Memory! \n Height is minus.") ours = DecodeWithFallback(path);
    ASSERT_TRUE(ours.ok) << ours.status;
    const Bytes theirs = ImageMagickPixels(path);
    ASSERT_EQ(theirs.size(), ours.rgb.size());
    std::size_t differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < theirs.size(); ++i)
        if (std::abs(theirs[i] - ours.rgb[i]) > tolerance && differing++ == 0) first = i;
    EXPECT_EQ(differing, 0u) << "first at pixel " << first / 3 << " (" << int(ours.rgb[first]) << " vs "
                             << int(theirs[first]) << ")";
}

TEST(BmpComparison, BmpJsSamplesMatchImageMagick) {
    const fs::path dir = fs::path(VANTOR_TEST_DATA) / "bmp-js";
    if (!fs::is_directory(dir)) VANTOR_SKIP_UNLESS_CI("no bmp-js samples; scripts/fetch-test-data fetches them");
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".bmp") continue;
        const bool fourBitChannels = entry.path().filename().string().find("444") != std::string::npos;
        ExpectSameAsImageMagick(entry.path().string(), fourBitChannels ? 15 : 0);
        ++count;
    }
    EXPECT_GE(count, 10);
}

TEST(BmpComparison, EveryImageMagickVariantMatches) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    TempDir dir;
    // The name, the options that give the variant and the header size it must
    // have; a 47 x 33 crop of the built-in photo so that every row is padded.
    struct Variant {
        const char* name;
        const char* options;
        unsigned headerSize;
    };
    const Variant variants[] = {
        {"core24", "BMP2:", 12},
        {"core8", "-colors 200 BMP2:", 12},
        {"v3-24", "BMP3:", 40},
        {"v3-8", "-colors 200 BMP3:", 40},
        {"v3-4", "-colors 16 BMP3:", 40},
        {"v3-1", "-monochrome BMP3:", 40},
        {"v3-rle8", "-colors 200 -compress RLE BMP3:", 40},
        {"v4-24", "-colorspace Gray BMP:", 108},  // gray pictures get the version 4 header
        {"v4-8", "-colorspace Gray -colors 200 BMP:", 108},
        {"v4-4", "-colorspace Gray -colors 16 BMP:", 108},
        {"v4-1", "-monochrome BMP:", 108},
        {"v5-24", "BMP:", 124},
        {"v5-8", "-colors 200 BMP:", 124},
        {"v5-4", "-colors 16 BMP:", 124},
        {"v5-rle8", "-colors 200 -compress RLE BMP:", 124},
        {"v5-32", "-alpha on -channel A -fx 0.5 +channel BMP:", 124},
    };
    for (const Variant& v : variants) {
        const std::string path = dir.File(std::string(v.name) + ".bmp");
        ASSERT_TRUE(RunConvert("rose: -crop 47x33+0+0 +repage " + std::string(v.options) + "'" + path + "'")) << v.name;
        const Bytes file = ReadFile(path);
        ASSERT_GT(file.size(), 18u);
        EXPECT_EQ(file[14] | file[15] << 8, static_cast<int>(v.headerSize)) << v.name;
        ExpectSameAsImageMagick(path);
    }
}

}  // namespace
}  // namespace vantor::test
