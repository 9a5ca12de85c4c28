// A search run as `vantor --script FILE`: prompts, a list selection and a greyed
// command, all through the script language.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "TestSupport.h"

namespace vantor {
namespace {

std::string RunScript(const test::TempDir& dir, const std::string& script) {
    const std::string path = dir.File("run.script");
    test::WriteFile(path, std::vector<unsigned char>(script.begin(), script.end()));
    const std::string command = std::string("'") + VANTOR_BINARY + "' --script '" + path + "' 2>&1";
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
        pclose(pipe);
    }
    return text;
}

TEST(SearchScript, SelectModeWithAListSelectionAndAGreyedCommand) {
    test::TempDir dir;
    const std::filesystem::path root = std::filesystem::canonical(dir.path()) / "pics";
    for (const char* d : {"", "A", "B"}) {
        std::filesystem::create_directories(root / d);
        test::WriteFile((root / d / "p.jpg").string(), {0xFF, 0xD8});
    }
    const std::string text = RunScript(dir,
                                       "answer dialog OK #1018=0\n"
                                       "answer files " +
                                           root.string() +
                                           "\n"
                                           "answer dialog OK select=1025:2 m_moreEdit=0\n"
                                           "at pump 3 command ID_SLIDESHOW_FILE_CLEAR\n"
                                           "command ID_AUTO_SEARCH_SELECT_MODE\n"
                                           "");
    EXPECT_NE(text.find("{\"event\":\"disabled\",\"command\":\"ID_SLIDESHOW_FILE_CLEAR\"}"), std::string::npos) << text;
    EXPECT_NE(text.find("\"paths\":[\"" + root.string() + "/MFC_DUMMY.JPG\"]"), std::string::npos) << text;
    // Only A (line 2) stays in the search.
    EXPECT_NE(text.find("検索された file 数 (JPEG) は...1個 です。"), std::string::npos) << text;
    EXPECT_NE(text.find("\"title\":\"検索対象Directory選択 複数可 (Select Multi directories)\""), std::string::npos);
}

TEST(SearchScript, ExitDuringASearchEndsItAtOnceAsInTheWindow) {
    test::TempDir dir;
    const std::filesystem::path root = std::filesystem::canonical(dir.path()) / "pics";
    for (const char* d : {"", "A", "B"}) {
        std::filesystem::create_directories(root / d);
        test::WriteFile((root / d / "p.jpg").string(), {0xFF, 0xD8});
    }
    const std::string text = RunScript(dir,
                                       "answer dialog OK #1018=0\n"
                                       "answer files " +
                                           root.string() +
                                           "\n"
                                           "at pump 3 command ID_APP_EXIT\n"
                                           "command ID_SLIDESHOW_AUTO_SEARCH\n"
                                           "command ID_SLIDESHOW_FILE_SELECT\n");
    // The start box was the last thing shown: no summary, no later command.
    const std::size_t start = text.find("\"caption\":\"Slide_File  Auto_search\"");
    ASSERT_NE(start, std::string::npos) << text;
    EXPECT_EQ(text.substr(text.find('\n', start) + 1), "{\"event\":\"quit\"}\n") << text;
}

}  // namespace
}  // namespace vantor
