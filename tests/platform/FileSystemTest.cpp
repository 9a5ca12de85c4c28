#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "platform/FileSystem.h"

namespace vantor {
namespace {

TEST(MatchesPattern, WildcardsIgnoreLetterCase) {
    EXPECT_TRUE(MatchesPattern("photo.jpg", "*.JPG"));
    EXPECT_TRUE(MatchesPattern("PHOTO.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesPattern(".JPG", "*.JPG"));
    EXPECT_TRUE(MatchesPattern("a.b.Jpg", "*.JPG"));
    EXPECT_FALSE(MatchesPattern("photo.jpeg", "*.JPG"));
    EXPECT_FALSE(MatchesPattern("photo.jpg.bak", "*.JPG"));
    EXPECT_FALSE(MatchesPattern("photojpg", "*.JPG"));
    EXPECT_TRUE(MatchesPattern("anything", "*"));
    EXPECT_TRUE(MatchesPattern("", "*"));
    EXPECT_TRUE(MatchesPattern("a1.bmp", "a?.BMP"));
    EXPECT_FALSE(MatchesPattern("a12.bmp", "a?.BMP"));
    EXPECT_TRUE(MatchesPattern("x.jpg.jpg", "*.jpg"));
    EXPECT_TRUE(MatchesPattern("a.txt", "*.*"));
}

TEST(ListFolder, DotEntriesFirstThenAttributeWords) {
    test::TempDir dir;
    test::WriteFile(dir.File("a.jpg"), {1, 2, 3});
    test::WriteFile(dir.File("B.JPG"), {1});
    test::WriteFile(dir.File(".hidden.jpg"), {1});
    test::WriteFile(dir.File("c.bmp"), {1});
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_directory(dir.path() / ".cache");

    std::vector<DirEntry> all;
    ASSERT_TRUE(ListFolder(dir.path().string(), all));
    ASSERT_EQ(all.size(), 8u);
    EXPECT_EQ(all[0].name, ".");
    EXPECT_EQ(all[1].name, "..");
    EXPECT_EQ(all[0].attributes, 16u);
    EXPECT_EQ(all[1].attributes, 16u);
    auto attr = [&](const std::string& name) {
        auto it = std::find_if(all.begin(), all.end(), [&](const DirEntry& e) { return e.name == name; });
        return it == all.end() ? kInvalidAttributes : it->attributes;
    };
    EXPECT_EQ(attr("sub"), 16u);
    EXPECT_EQ(attr(".cache"), 18u);
    EXPECT_EQ(attr("a.jpg"), 32u);
    EXPECT_EQ(attr(".hidden.jpg"), 34u);

    EXPECT_EQ(FileAttributes(dir.File("sub")), 16u);
    EXPECT_EQ(FileAttributes(dir.File("a.jpg")), 32u);
    EXPECT_EQ(FileAttributes(dir.File("missing.jpg")), kInvalidAttributes);

    // The same folder written with a trailing separator lists the same.
    std::vector<DirEntry> again;
    ASSERT_TRUE(ListFolder(dir.path().string() + "/", again));
    EXPECT_EQ(again.size(), 8u);
}

TEST(ListFolder, MatchingKeepsOnlyNamesOfThePattern) {
    test::TempDir dir;
    test::WriteFile(dir.File("a.jpg"), {1});
    test::WriteFile(dir.File("B.JPG"), {1});
    test::WriteFile(dir.File("c.bmp"), {1});
    std::vector<DirEntry> jpgs;
    ASSERT_TRUE(ListFolderMatching(dir.path().string(), "*.JPG", jpgs));
    std::vector<std::string> names;
    for (const auto& e : jpgs) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.JPG", "a.jpg"}));
}

TEST(ListFolder, UnlistableFolderGivesFalseAndNothing) {
    std::vector<DirEntry> out{{"stale", 32}};
    EXPECT_FALSE(ListFolder("/no/such/folder/anywhere", out));
    EXPECT_TRUE(out.empty());
}

TEST(PathTail, FromTheLastSeparatorOn) {
    EXPECT_EQ(PathTail("/a/b.jpg"), "/b.jpg");
    EXPECT_EQ(PathTail("/b.jpg"), "/b.jpg");
    EXPECT_EQ(PathTail("b.jpg"), "b.jpg");
    EXPECT_EQ(PathTail("/a/dir/"), "/");
    EXPECT_EQ(PathTail(""), "");
}

TEST(EndsWithNoCase, ComparesTheLastFourBytes) {
    EXPECT_TRUE(EndsWithNoCase("/x/a.jpg", ".JPG"));
    EXPECT_TRUE(EndsWithNoCase("/x/a.JpG", ".jpg"));
    EXPECT_TRUE(EndsWithNoCase(".BMP", ".bmp"));
    EXPECT_FALSE(EndsWithNoCase("BMP", ".bmp"));
    EXPECT_FALSE(EndsWithNoCase("/x/a.jpeg", ".JPG"));
    EXPECT_FALSE(EndsWithNoCase("/x/a.jpg ", ".JPG"));
    EXPECT_FALSE(EndsWithNoCase("", ".JPG"));
}

}  // namespace
}  // namespace vantor
