// Pictures named on the command line.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestBmp.h"
#include "TestSupport.h"

namespace vantor {
namespace {

TEST(CommandLine, OnePictureIsOpenedWithoutAShow) {
    test::ScriptedView sv;
    test::TempDir dir;
    test::WriteFile(dir.File("one.bmp"), test::Bmp24(5, 4));
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    sv.view.OnCommandLine({"one.bmp"});
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(sv.view.m_buf);
    EXPECT_EQ(sv.view.m_width, 5u);
    EXPECT_EQ(sv.view.m_strFile, dir.File("one.bmp")) << "a relative name is made absolute";
    // The slide list is its folder's pictures, the picture alone here; no show runs.
    EXPECT_EQ(sv.view.m_slides.m_slideCount, 1u);
    EXPECT_EQ(sv.Events("slide").size(), 1u);
    EXPECT_TRUE(sv.Events("sleep").empty());
    EXPECT_EQ(sv.view.m_stopped, 1);
}

TEST(CommandLine, FoldersAddTheirPicturesByNameAndStartAShow) {
    test::ScriptedView sv;
    test::TempDir dir;
    test::WriteFile(dir.File("b.BMP"), test::Bmp24(3, 2));
    test::WriteFile(dir.File("a.bmp"), test::Bmp24(2, 2));
    test::WriteFile(dir.File("notes.txt"), {'x'});
    std::filesystem::create_directory(dir.path() / "sub");
    test::WriteFile((dir.path() / "sub" / "c.bmp").string(), test::Bmp24(2, 2));
    const std::string extra = dir.File("sub/c.bmp");
    sv.view.m_speed = 0;
    sv.view.OnCommandLine({dir.path().string(), extra, dir.File("missing.jpg")});

    ASSERT_EQ(sv.view.m_slides.m_slideCount, 3u) << "the folder's two pictures, not its subfolder, then the file";
    EXPECT_EQ(sv.view.m_slides.m_slidePath[0], dir.File("a.bmp"));
    EXPECT_EQ(sv.view.m_slides.m_slidePath[1], dir.File("b.BMP"));
    EXPECT_EQ(sv.view.m_slides.m_slidePath[2], extra);
    EXPECT_EQ(sv.view.m_slides.m_slideName[1], "/b.BMP");
    const auto slides = sv.Events("slide");
    ASSERT_EQ(slides.size(), 3u);
    EXPECT_NE(slides[0].find("\"number\":1"), std::string::npos);
    EXPECT_NE(slides[2].find("\"number\":3"), std::string::npos);
    EXPECT_EQ(sv.view.m_stopped, 1) << "the show ran to its end";
    const auto boxes = sv.Events("box");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("No such file or folder :\\n" + dir.File("missing.jpg")), std::string::npos) << boxes[0];
}

}  // namespace
}  // namespace vantor
