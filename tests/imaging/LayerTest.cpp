// The codecs, the quantizer and the pixel helpers stand on the platform layer
// alone: nothing in src/imaging includes a header of the view or of a part that
// uses them, so they build and test without the rest of the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vantor {
namespace {

namespace fs = std::filesystem;

// The folder a quoted include names first ("viewer" for "viewer/CVantorView.h").
std::string IncludedFolder(const std::string& line) {
    const std::string directive = "#include \"";
    const auto at = line.find(directive);
    if (at == std::string::npos || line.find_first_not_of(" \t") != at) return {};
    const std::string path = line.substr(at + directive.size());
    const auto slash = path.find('/');
    const auto quote = path.find('"');
    if (slash == std::string::npos || slash > quote) return path.substr(0, quote);
    const std::string first = path.substr(0, slash);
    // The platform's own implementations (Qt, the script) count as above it.
    if (first == "platform") {
        const auto next = path.find('/', slash + 1);
        if (next != std::string::npos && next < quote) return path.substr(0, next);
    }
    return first;
}

TEST(Layers, IncludeFoldersAreReadFromTheDirective) {
    const std::pair<const char*, const char*> table[] = {
        {"#include \"viewer/CVantorView.h\"", "viewer"},
        {"#include \"platform/FileSystem.h\"", "platform"},
        {"#include \"platform/qt/QtUi.h\"", "platform/qt"},
        {"#include \"resource.h\"", "resource.h"},
        {"#include <jpeglib.h>", ""},
        {"// #include \"viewer/CVantorView.h\"", ""},
    };
    for (const auto& [line, folder] : table) EXPECT_EQ(IncludedFolder(line), folder) << line;
}

TEST(Layers, ImagingIncludesNothingAbovePlatform) {
    const fs::path imaging = fs::path(VANTOR_SOURCE_DIR) / "src" / "imaging";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(imaging)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const std::string folder = IncludedFolder(line);
            EXPECT_TRUE(folder.empty() || folder == "imaging" || folder == "platform")
                << entry.path().filename().string() << ":" << number << ": " << line;
        }
    }
    EXPECT_GT(files, 10);
}

}  // namespace
}  // namespace vantor
