// `vantor --write` as a user runs it: the built program, its messages on standard
// error, its exit status and the files it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "TestSupport.h"
#include "batch/BatchTestSupport.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::MakeJpeg;
using test::Quote;
using test::RunVantor;

TEST(BatchCommandLine, TheRootIsRefusedUnderAnyName) {
    test::TempDir dir;
    fs::create_directory_symlink("/", dir.path() / "root");
    // A name of its own, so that a write into the root could neither meet nor
    // leave anything there.
    const std::string stem = "vantor-root-test-" + std::to_string(std::random_device{}());
    MakeJpeg(dir.File(stem + ".jpg"), 40, 30);
    for (const std::string& folder : {std::string("/"), std::string("//"), std::string("/tmp/.."), dir.File("root")}) {
        EXPECT_EQ(RunVantor("--write " + Quote(folder) + " " + Quote(dir.File(stem + ".jpg"))),
                  "vantor: " + folder + ": the output folder cannot be the root folder\nrc=2\n");
        EXPECT_FALSE(fs::exists("/" + stem + ".JPG")) << folder;
        fs::remove("/" + stem + ".JPG");
    }
}

}  // namespace
}  // namespace vantor
