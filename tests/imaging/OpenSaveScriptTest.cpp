// A new user's round through the File and Help menus, run as `vantor --script`:
// open a picture, save it in every form, read a JPEG's size, read the help.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "TestSupport.h"
#include "imaging/JpegFile.h"

namespace vantor {
namespace {

std::string Capture(const std::string& command) {
    std::string text;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
    ::pclose(pipe);
    return text;
}

TEST(OpenSaveScript, OpenSaveEveryFormReadSizeAndHelp) {
    test::TempDir dir;
    std::vector<std::uint8_t> px;
    for (unsigned y = 0; y < 48; ++y) {
        for (unsigned x = 0; x < 64; ++x)
            px.insert(px.end(), {static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 5), 90});
    }
    const std::string photo = dir.File("Photo.JPG");
    ASSERT_TRUE(JpegFile::SaveFromRgb(photo, px.data(), 64, 48, true, 95));
    const std::string script = "answer files " + photo +
                               "\n"
                               "command ID_FILE_OPEN\n"
                               "answer files " +
                               dir.File("colour.jpg") +
                               "\n"
                               "command ID_FILE_SAVE_RGB_AS\n"
                               "answer files " +
                               dir.File("gray.JPG") +
                               "\n"
                               "command ID_FILE_SAVE_GRAYSCALE_JPEG\n"
                               "answer files " +
                               dir.File("rgb.bmp") +
                               "\n"
                               "command ID_FILE_SAVE_RGB_AS\n"
                               "answer files " +
                               dir.File("one.bmp") +
                               "\n"
                               "answer dialog OK click=1001\n"
                               "command ID_FILE_SAVE_COLORMAPPED_BMP\n"
                               "answer files " +
                               dir.File("four.bmp") +
                               "\n"
                               "answer dialog OK click=1002\n"
                               "command ID_FILE_SAVE_COLORMAPPED_BMP\n"
                               "answer files " +
                               photo +
                               "\n"
                               "command ID_FILE_OPEN\n"
                               "answer files " +
                               dir.File("eight.bmp") +
                               "\n"
                               "answer dialog OK\n"
                               "answer dialog OK m_paletteColors=256\n"
                               "command ID_FILE_SAVE_COLORMAPPED_BMP\n"
                               "answer files " +
                               photo +
                               "\n"
                               "command ID_FILE_GET_JPG_DIMENSIONS\n"
                               "answer dialog OK\n"
                               "command ID_HELP_HOW_TO_USE_1\n"
                               "answer dialog OK\n"
                               "command ID_HELP_HOW_TO_USE_2\n"
                               "answer dialog OK\n"
                               "command ID_HELP_HOW_TO_USE_FEATURES\n"
                               "answer dialog OK\n"
                               "command ID_APP_ABOUT\n";
    const std::string scriptPath = dir.File("run.script");
    test::WriteFile(scriptPath, std::vector<unsigned char>(script.begin(), script.end()));
    const std::string transcript = Capture(std::string("'") + VANTOR_BINARY + "' --script '" + scriptPath + "'");

    for (const char* line : {
             "{\"event\":\"box\",\"caption\":\"Vantor\",\"text\":\"64 "
             "48\",\"buttons\":\"OK\",\"icon\":\"none\",\"answer\":\"OK\"}",
             "{\"event\":\"dialog\",\"id\":150,\"title\":\"Choose # of bits\",\"answer\":\"OK\"}",
             "{\"event\":\"dialog\",\"id\":131,\"title\":\"Quantization Params\",\"answer\":\"OK\"}",
             "{\"event\":\"dialog\",\"id\":142,\"title\":\"使用方法(How To Use) 1\",\"answer\":\"OK\"}",
             "{\"event\":\"dialog\",\"id\":223,\"title\":\"使用方法(How To Use) 2\",\"answer\":\"OK\"}",
             "{\"event\":\"dialog\",\"id\":224,\"title\":\"vantor の 特長的な使い方\",\"answer\":\"OK\"}",
             "{\"event\":\"dialog\",\"id\":100,\"title\":\"About vantor\",\"answer\":\"OK\"}",
         }) {
        EXPECT_NE(transcript.find(line), std::string::npos) << line << "\n" << transcript;
    }
    EXPECT_EQ(transcript.find("\"event\":\"box\""), transcript.rfind("\"event\":\"box\""))
        << transcript;  // only the size
    EXPECT_EQ(transcript.find("\"event\":\"disabled\""), std::string::npos);

    auto identify = [&](const std::string& name) {
        return Capture("/usr/bin/identify -format '%m %w %h %[colorspace] %[bit-depth] %[type]' '" + dir.File(name) +
                       "'");
    };
    EXPECT_EQ(identify("colour.jpg"), "JPEG 64 48 sRGB 8 TrueColor");
    EXPECT_EQ(identify("gray.JPG"), "JPEG 64 48 Gray 8 Grayscale");
    EXPECT_EQ(identify("rgb.bmp").substr(0, 16), "BMP3 64 48 sRGB ");
    EXPECT_EQ(identify("one.bmp").substr(0, 11), "BMP3 64 48 ");
    EXPECT_EQ(Capture("/usr/bin/identify -format '%k' '" + dir.File("one.bmp") + "'"), "2");
    EXPECT_LE(std::stoi(Capture("/usr/bin/identify -format '%k' '" + dir.File("four.bmp") + "'")), 16);
    EXPECT_GT(std::stoi(Capture("/usr/bin/identify -format '%k' '" + dir.File("eight.bmp") + "'")), 16);
    EXPECT_LE(std::stoi(Capture("/usr/bin/identify -format '%k' '" + dir.File("eight.bmp") + "'")), 256);
}

}  // namespace
}  // namespace vantor
