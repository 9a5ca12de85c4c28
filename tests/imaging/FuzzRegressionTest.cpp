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
        RgbBuffer image = codec.Load(path, w, h);
        EXPECT_EQ(image != nullptr, codec.m_status == "OK");
        int fallback = 0;
        codec.ProbeLoad(path, w, h, fallback);
        const auto bytes = ReadFile(path);
        DecodedBmp decoded;
        DecodeBmpFallback(bytes.data(), bytes.size(), decoded);
        image = JpegFile::LoadToRgb(path, w, h);
    }
}

}  // namespace
}  // namespace vantor::test
