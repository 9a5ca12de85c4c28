// Every input the fuzzers ever tripped over, through every decoder entry point.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"

namespace vantor::test {
namespace {

TEST(FuzzRegressions, EveryKeptInputDecodesOrIsRefused) {
    const std::filesystem::path dir = std::filesystem::path(VANTOR_TEST_DATA) / "fuzz-regressions";
    ASSERT_TRUE(std::filesystem::is_directory(dir));
    ScriptedView sv;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        std::uint32_t w = 0, h = 0;
        BmpCodec codec;
        RgbBuffer image;
        EXPECT_EQ(codec.Load(path, image, w, h).Ok(), image != nullptr);
        int fallback = 0;
        codec.ProbeLoad(path, image, w, h, fallback);
        const auto bytes = ReadFile(path);
        DecodedBmp decoded;
        DecodeBmpFallback(bytes.data(), bytes.size(), path, decoded);
        EXPECT_EQ(JpegFile::LoadToRgb(path, image, w, h).Ok(), image != nullptr);
        EXPECT_EQ(JpegFile::LoadToDisplay(path, image, w, h).Ok(), image != nullptr);
        JpegFile::Options upright;
        upright.upright = true;
        JpegPicture(path, upright);
        JpegFile::ReadDimensions(path, w, h);
    }
}

// The road of a slide on every kept input: the view's loaders, then the fit into a
// tiny, the default and the largest frame in every scale mode, and the paint.
TEST(FuzzRegressions, EveryKeptInputSurvivesLoadFitAndPaint) {
    const std::filesystem::path dir = std::filesystem::path(VANTOR_TEST_DATA) / "fuzz-regressions";
    TempDir work;
    ScriptedView sv;
    CVantorView& v = sv.view;
    v.m_slides.m_slideCount = 2;
    v.m_slideNo = 1;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        for (const char* ending : {".jpg", ".bmp"}) {
            const std::string path = work.File("input" + std::string(ending));
            std::filesystem::copy_file(entry.path(), path, std::filesystem::copy_options::overwrite_existing);
            SCOPED_TRACE(entry.path().string() + " as " + ending);
            v.m_slides.m_slidePath[0] = path;
            v.LoadByEnding(path);
            for (auto [w, h] : {std::pair{1u, 1u}, std::pair{800u, 600u}, std::pair{6000u, 6000u}}) {
                v.m_output.m_maxWidth = w;
                v.m_output.m_maxHeight = h;
                for (int mode = 0; mode <= 3; ++mode) {
                    v.m_output.m_outScaleMode = mode;
                    v.InvalidateView(false);
                    sv.ui.PaintIfNeeded();
                    if (mode != 1 && v.m_buf) {
                        EXPECT_LE(v.m_fit.m_fitWidth, w);
                        EXPECT_LE(v.m_fit.m_fitHeight, h);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace vantor::test
