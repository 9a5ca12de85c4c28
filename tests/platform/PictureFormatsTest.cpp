#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>

#include "TestSupport.h"
#include "platform/PictureFormats.h"

namespace vantor {
namespace {

TEST(PictureFormats, EachNameTellsItsKindWhatTakesItAndItsWrittenName) {
    struct Case {
        const char* name;
        PictureKind kind;
        bool decoded, decodedAhead, searched;
        const char* asJpg;
        const char* asBmp;
    };
    const Case cases[] = {
        {"a.jpg", PictureKind::Jpeg, true, true, true, "a.JPG", "a.BMP"},
        {"/x/a.JPG", PictureKind::Jpeg, true, true, true, "/x/a.JPG", "/x/a.BMP"},
        {"a.Jpg", PictureKind::Jpeg, true, true, false, "a.JPG", "a.BMP"},
        {"a.JPEG", PictureKind::Jpeg, true, true, false, "a.JPG", "a.BMP"},
        {"a.jpe", PictureKind::Jpeg, true, true, false, "a.JPG", "a.BMP"},
        {".jpg", PictureKind::Jpeg, true, true, true, ".JPG", ".BMP"},
        {"a.bmp", PictureKind::Bmp, true, false, true, "a.JPG", "a.BMP"},
        {"a.BMP", PictureKind::Bmp, true, false, true, "a.JPG", "a.BMP"},
        {"a.bMp", PictureKind::Bmp, true, false, false, "a.JPG", "a.BMP"},
        {"a.gif", PictureKind::Gif, true, true, false, "a.JPG", "a.BMP"},
        {"shot.png", PictureKind::Png, true, true, false, "shot.JPG", "shot.BMP"},
        {"a.PNG", PictureKind::Png, true, true, false, "a.JPG", "a.BMP"},
        {"a.webp", PictureKind::Webp, true, true, false, "a.JPG", "a.BMP"},
        {"a.tif", PictureKind::Tiff, true, true, false, "a.JPG", "a.BMP"},
        {"a.Tiff", PictureKind::Tiff, true, true, false, "a.JPG", "a.BMP"},
        {"a.heic", PictureKind::Heic, true, true, false, "a.JPG", "a.BMP"},
        {"a.HEIF", PictureKind::Heic, true, true, false, "a.JPG", "a.BMP"},
        {"a.avif", PictureKind::Avif, true, true, false, "a.JPG", "a.BMP"},
        {"a.xcf", PictureKind::None, false, false, false, "a.JPG", "a.BMP"},
        {"a.jpeg.txt", PictureKind::None, false, false, false, "a.jpeg.JPG", "a.jpeg.BMP"},
        {"a.jpg ", PictureKind::None, false, false, false, "a.jJPG", "a.jBMP"},
        {"jpeg", PictureKind::None, false, false, false, "jJPG", "jBMP"},
        {"", PictureKind::None, false, false, false, "", ""},
    };
    for (const Case& c : cases) {
        const PictureFormat* f = FormatOf(c.name);
        EXPECT_EQ(PictureKindOf(c.name), c.kind) << c.name;
        EXPECT_EQ(f != nullptr ? f->kind : PictureKind::None, c.kind) << c.name;
        EXPECT_EQ(IsDecodedPicture(c.name), c.decoded) << c.name;
        EXPECT_EQ(f != nullptr && f->decodedAhead, c.decodedAhead) << c.name;
        EXPECT_EQ(TakenByAutoSearch(c.name), c.searched) << c.name;
        EXPECT_EQ(WrittenName(c.name, "JPG"), c.asJpg) << c.name;
        EXPECT_EQ(WrittenName(c.name, "BMP"), c.asBmp) << c.name;
    }
}

// What a new row must keep true: endings in lower case, each taken by one row
// alone, and the Auto Search only ever on its own two endings.
TEST(PictureFormats, TheRowsAgree) {
    std::set<std::string> endings;
    std::set<std::string> searched;
    for (const PictureFormat& f : kPictureFormats) {
        ASSERT_NE(f.endings[0], nullptr) << f.name;
        for (const char* ending : f.endings) {
            if (ending == nullptr) continue;
            EXPECT_EQ(ending[0], '.') << ending;
            for (const char* c = ending; *c != '\0'; ++c)
                EXPECT_FALSE(std::isupper(static_cast<unsigned char>(*c))) << ending;
            EXPECT_TRUE(endings.insert(ending).second) << ending << " is in two rows";
            EXPECT_EQ(FormatOf(std::string("x") + ending), &f) << ending;
        }
        if (f.searchEnding != nullptr) searched.insert(f.searchEnding);
    }
    EXPECT_EQ(searched, (std::set<std::string>{".jpg", ".bmp"}));
}

TEST(PictureFormats, TextsAndFiltersComeFromTheRows) {
    EXPECT_EQ(
        NotAPictureName(),
        "the name does not end in .jpg, .jpeg, .jpe, .bmp, .png, .gif, .webp, .tif, .tiff, .heic, .heif or .avif");
    const std::string rows =
        "JPG File (*.JPG)|*.JPG;*.JPEG;*.JPE|BMP (*.BMP)|*.BMP|PNG (*.PNG)|*.PNG|GIF (*.GIF)|*.GIF|"
        "WebP (*.WEBP)|*.WEBP|TIFF (*.TIF)|*.TIF;*.TIFF|HEIC (*.HEIC)|*.HEIC;*.HEIF|AVIF (*.AVIF)|*.AVIF|";
    EXPECT_EQ(PictureFilter(FilterRows::All), rows + "All files (*.*)|*.*||");
    EXPECT_EQ(PictureFilter(FilterRows::Decoded), rows + "All files (*.*)|*.*||");
}

TEST(PictureFormats, AFolderGivesTheFilesADecoderReadsInByteOrder) {
    test::TempDir dir;
    for (const char* name : {"b.BMP", "a.jpg", "c.gif", "d.png", "e.Jpeg", "Z.jpe", "f.HEIC", "g.tiff", "notes.txt"})
        test::WriteFile(dir.File(name), {1});
    std::filesystem::create_directory(dir.path() / "sub.jpg");
    test::WriteFile(dir.File("sub.jpg/inner.jpg"), {1});
    const std::string folder = dir.path().string();
    const std::vector<std::string> expected = {folder + "/Z.jpe",  folder + "/a.jpg", folder + "/b.BMP",
                                               folder + "/c.gif",  folder + "/d.png", folder + "/e.Jpeg",
                                               folder + "/f.HEIC", folder + "/g.tiff"};
    EXPECT_EQ(PicturesIn(folder), expected);
    EXPECT_EQ(PicturesIn(folder + "/"), expected);
    EXPECT_TRUE(PicturesIn(dir.File("missing")).empty());
}

}  // namespace
}  // namespace vantor
