// The folders stand in layers without circles: the table says which folders each
// folder may include, every include line under src/ and resources/ is held against
// it, and the table itself has no circle, so a new circle fails here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vantor {
namespace {

namespace fs = std::filesystem;

// Each folder and the folders it may include besides itself.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"platform", {}},
    {"resources", {"platform"}},
    {"imaging", {"platform"}},
    {"viewer", {"platform", "resources", "imaging"}},
    {"help", {"platform", "resources", "viewer"}},
    {"slides", {"platform", "resources", "viewer"}},
    {"sort", {"platform", "resources", "viewer"}},
    {"search", {"platform", "resources", "viewer", "slides"}},
    {"batch", {"platform", "resources", "viewer", "imaging"}},
    {"platform/script", {"platform", "resources", "viewer"}},
    {"platform/qt", {"platform", "resources", "viewer", "imaging"}},
    {"app", {"platform", "imaging", "viewer", "batch", "platform/script", "platform/qt"}},
};

// The path a quoted include names, or nothing for any other line.
std::string IncludedPath(const std::string& line) {
    const std::string directive = "#include \"";
    const auto at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line.compare(at, directive.size(), directive) != 0) return {};
    const auto begin = at + directive.size(), quote = line.find('"', begin);
    return quote == std::string::npos ? std::string() : line.substr(begin, quote - begin);
}

TEST(Layers, IncludedPathsAreReadFromTheDirective) {
    const std::pair<const char*, const char*> table[] = {
        {"#include \"platform/qt/QtUi.h\"", "platform/qt/QtUi.h"},
        {"#include \"resource.h\"  // ids", "resource.h"},
        {"  #include \"viewer/Commands.h\"", "viewer/Commands.h"},
        {"#include <jpeglib.h>", ""},
        {"// #include \"viewer/CVantorView.h\"", ""},
    };
    for (const auto& [line, path] : table) EXPECT_EQ(IncludedPath(line), path) << line;
}

TEST(Layers, EveryIncludeFollowsTheTable) {
    const fs::path root = VANTOR_SOURCE_DIR;
    int files = 0;
    for (const char* top : {"src", "resources"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            ++files;
            const std::string file = entry.path().lexically_relative(root).string();
            const std::string folder = top == std::string("resources")
                                           ? top
                                           : entry.path().parent_path().lexically_relative(root / top).string();
            ASSERT_TRUE(kAllowed.contains(folder)) << file << ": a folder the table does not know";
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                const std::string path = IncludedPath(line);
                if (path.empty()) continue;
                // A bare name is a neighbour, or found through the include path in resources/.
                std::string target = fs::path(path).parent_path().string();
                if (target.empty()) target = fs::exists(entry.path().parent_path() / path) ? folder : "resources";
                if (target == folder || kAllowed.at(folder).contains(target)) continue;
                ADD_FAILURE() << file << ":" << number << ": " << folder << " may not include " << target;
            }
        }
    }
    EXPECT_GT(files, 80);
}

TEST(Layers, TheTableHasNoCircle) {
    for (const auto& [start, includes] : kAllowed) {
        std::set<std::string> reached;
        std::vector<std::string> todo(includes.begin(), includes.end());
        while (!todo.empty()) {
            const std::string folder = todo.back();
            todo.pop_back();
            ASSERT_TRUE(kAllowed.contains(folder)) << folder;
            if (reached.insert(folder).second)
                todo.insert(todo.end(), kAllowed.at(folder).begin(), kAllowed.at(folder).end());
        }
        EXPECT_FALSE(reached.contains(start)) << start << " reaches itself through the table";
    }
}

}  // namespace
}  // namespace vantor
