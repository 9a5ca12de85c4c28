// Collections past one argument list and one core: `vantor --write` with a list of
// paths (--files-from, --null) and several jobs (--jobs) writes what one job over
// the same paths as arguments writes, and GNU parallel shares a collection out
// between runs into one folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "TestSupport.h"
#include "batch/BatchTestSupport.h"
#include "imaging/JpegFile.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::MakeJpeg;
using test::Quote;
using test::Replace;
using test::RunVantor;

std::string Joined(const std::vector<std::string>& items, char end) {
    std::string text;
    for (const auto& item : items) text += item + end;
    return text;
}

void WriteText(const std::string& path, const std::string& text) { test::WriteFile(path, {text.begin(), text.end()}); }

// Every entry of a folder with its bytes.
std::map<std::string, std::vector<unsigned char>> Files(const std::string& folder) {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& e : fs::directory_iterator(folder)) files[e.path().filename().string()] = test::ReadFile(e.path());
    return files;
}

TEST(BatchListsAndJobs, ListsAndJobsWriteTheFilesAndNamesOfOneJobOverArguments) {
    test::TempDir in;
    const std::string I = in.path().string() + "/";
    fs::create_directory(I + "d1");
    fs::create_directory(I + "d2");
    MakeJpeg(I + "new\nline.jpg", 90, 60);
    MakeJpeg(I + "d1/a.jpg", 640, 480);
    MakeJpeg(I + "caf\xE9.jpg", 1200, 900);
    MakeJpeg(I + "d2/a.jpg", 300, 400);
    test::MakeBmp(I + "b.bmp", 333, 222);
    auto cut = test::ReadFile(I + "caf\xE9.jpg");
    cut.resize(cut.size() / 2);
    test::WriteFile(I + "cut.jpg", cut);
    WriteText(I + "bad.jpg", "not JPEG");
    // Two pictures of one name, one of them listed twice, a cut and a broken one,
    // a missing one.
    const std::vector<std::string> paths = {I + "new\nline.jpg", I + "d1/a.jpg", I + "caf\xE9.jpg",
                                            I + "d2/a.jpg",      I + "cut.jpg",  I + "bad.jpg",
                                            I + "b.bmp",         I + "d1/a.jpg", I + "gone.jpg"};
    std::string args;
    for (const auto& p : paths) args += " " + Quote(p);
    const std::string head = Quote(paths.front());
    const std::string lines = Quote(I + "lines"), nul = Quote(I + "nul");
    WriteText(I + "lines", Joined({paths.begin() + 1, paths.end()}, '\n') + "\n");
    WriteText(I + "nul", Joined(paths, '\0'));

    struct Case {
        const char* what;
        std::string settings;  // for both runs
        std::string paths;     // the run compared with one job over args
    };
    const std::vector<Case> cases = {
        {"a list of lines after the arguments", "", head + " --files-from " + lines},
        {"a list of lines on standard input", "", head + " --files-from - < " + lines},
        {"a NUL-separated list, a name holding a line break", "", "--null --files-from " + nul},
        {"three jobs", "", "--jobs 3" + args},
        {"three jobs writing bitmaps as they are from a list", "--type bmp --mode 1",
         "--jobs 3 --null --files-from - < " + nul},
        {"two jobs from start number 3", "--frame 320x240 --quality 0 --start 3", "--jobs 2" + args},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir oneDir, dir;
        const std::string one = oneDir.path().string() + "/", O = dir.path().string() + "/";
        const test::ProgramRun expected = RunVantor("--write " + Quote(one) + " " + c.settings + args);
        const test::ProgramRun run = RunVantor("--write " + Quote(O) + " " + c.settings + " " + c.paths);
        // The plain run wrote both pictures named a, and reported the broken and the missing one.
        EXPECT_EQ(expected.status, 1);
        EXPECT_NE(expected.out.find("/a~(1)."), std::string::npos) << expected.out;
        EXPECT_NE(expected.err.find("bad.jpg: not a readable JPEG"), std::string::npos) << expected.err;
        EXPECT_NE(expected.err.find("gone.jpg: No such file"), std::string::npos) << expected.err;
        EXPECT_EQ(Replace(run.out, O, "{O}"), Replace(expected.out, one, "{O}"));
        EXPECT_EQ(run.err, expected.err);
        EXPECT_EQ(run.status, expected.status);
        EXPECT_TRUE(Files(O) == Files(one)) << "the same names with the same bytes, nothing else";
    }
}

TEST(BatchListsAndJobs, ListsCutShortOrUnreadableAndListsLongerThanTheSlideList) {
    test::TempDir in, out;
    const std::string I = in.path().string() + "/", O = out.path().string() + "/";
    MakeJpeg(I + "ok.jpg", 64, 48);
    WriteText(I + "notes.txt", "words");
    // A NUL-separated list whose writer stopped inside the name of ok.jpg: what is
    // left names the folder. A list of lines may lack its last line end.
    WriteText(I + "cut", I + "ok.jpg" + '\0' + I);
    WriteText(I + "unended", I + "ok.jpg");
    // 10000 entries fill the window's slide list; the picture after them is written all the same.
    WriteText(I + "long", Joined(std::vector<std::string>(10000, I + "notes.txt"), '\n') + I + "ok.jpg\n");
    std::string notPictures;
    for (int i = 0; i < 10000; ++i)
        notPictures += "vantor: " + I +
                       "notes.txt: the name does not end in .jpg, .jpeg, .jpe, .bmp, .png, .gif, .webp, .tif, .tiff, "
                       ".heic, .heif or .avif\n";
    struct Case {
        std::string args, out, err;
        int status;
    };
    const std::vector<Case> cases = {
        {"--files-from {I}nolist", "", "vantor: {I}nolist: No such file or directory\n", 2},
        {"--files-from {I}", "", "vantor: {I}: Is a directory\n", 2},
        {"--jobs 0 {I}ok.jpg", "",
         "vantor: --jobs takes a number from 1 to 256\nTry 'vantor --help' for more information.\n", 2},
        {"--files-from {I}long", "{O}ok.JPG\n", notPictures, 1},
        {"--jobs 2 --files-from {I}long", "{O}ok~(1).JPG\n", notPictures, 1},
        // Start numbers count on past the window's 10000.
        {"--start 10001 --files-from {I}long", "{O}ok~(2).JPG\n", "", 0},
        {"--jobs 2 --start 4294967295 --files-from {I}long", "{O}ok~(3).JPG\n", "", 0},
        {"--null --files-from {I}cut", "{O}ok~(4).JPG\n",
         "vantor: {I}: the list ended without a NUL after this name, so it may be cut short: not written\n", 1},
        {"--files-from {I}unended", "{O}ok~(5).JPG\n", "", 0},
    };
    for (const Case& c : cases) {
        const auto fill = [&](const std::string& text) { return Replace(Replace(text, "{I}", I), "{O}", O); };
        const test::ProgramRun run = RunVantor("--write " + Quote(O) + " " + fill(c.args));
        EXPECT_EQ(run.out, fill(c.out)) << c.args;
        EXPECT_EQ(run.err, fill(c.err)) << c.args;
        EXPECT_EQ(run.status, c.status) << c.args;
    }
}

// Under an address-space limit that holds a small picture but no 6000 x 6000 frame,
// each picture is named with its reason and the run goes on to the end of the
// list: with one job, with two, with more than there is room for threads (8 MiB
// of stack each), and past the first 10000 entries.
TEST(BatchListsAndJobs, APictureWithoutMemoryForItsFrameEndsNothing) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit under an address-space limit";
#endif
    test::TempDir in, scratch;
    const std::string I = in.path().string() + "/";
    MakeJpeg(I + "p.jpg", 64, 48);
    WriteText(I + "notes.txt", "words");
    WriteText(I + "long",
              I + "p.jpg\n" + Joined(std::vector<std::string>(9999, I + "notes.txt"), '\n') + I + "p.jpg\n");
    // The least a write of a 1 x 1 frame needs, to 32 MiB; 32 MiB more is short of
    // the frame's 103 MiB.
    std::string limit;
    for (unsigned mib = 32; mib <= 2048 && limit.empty(); mib += 32) {
        const std::string kib = std::to_string(mib * 1024);
        if (RunVantor("--write " + Quote(scratch.path().string()) + " --frame 1x1 " + Quote(I + "p.jpg"),
                      "ulimit -v " + kib + ";")
                .status == 0)
            limit = "ulimit -v " + std::to_string((mib + 32) * 1024) + ";";
    }
    ASSERT_FALSE(limit.empty()) << "not even a 1 x 1 frame could be written";

    const std::string noMemory = "vantor: " + I + "p.jpg: out of memory\n";
    const std::string notPicture = "vantor: " + I +
                                   "notes.txt: the name does not end in .jpg, .jpeg, .jpe, .bmp, .png, .gif, .webp, "
                                   ".tif, .tiff, .heic, .heif or .avif\n";
    std::string longErr = noMemory;
    for (int i = 0; i < 9999; ++i) longErr += notPicture;
    longErr += noMemory;
    const std::string args = " {I}p.jpg {I}p.jpg {I}notes.txt {I}p.jpg";
    const std::string err = noMemory + noMemory + notPicture + noMemory;
    const std::pair<std::string, std::string> cases[] = {
        {args, err}, {"--jobs 2" + args, err}, {"--jobs 256" + args, err}, {"--files-from {I}long", longErr}};
    for (const auto& [what, expected] : cases) {
        SCOPED_TRACE(what);
        test::TempDir out;
        const test::ProgramRun run =
            RunVantor("--write " + Quote(out.path().string()) + " --frame 6000x6000 " + Replace(what, "{I}", I), limit);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, expected);
        EXPECT_EQ(run.status, 1);
    }
}

TEST(BatchListsAndJobs, GnuParallelLandsEveryPictureOfACollectionExactlyOnce) {
    if (test::Shell("command -v parallel").empty()) GTEST_SKIP() << "GNU parallel is not installed";
    test::TempDir in, out;
    // 100 pictures of 50 names, each of its own width: written as they are, every
    // file says which picture it is.
    std::string list;
    std::multiset<std::uint32_t> widths;
    for (unsigned i = 0; i < 100; ++i) {
        const std::string path = in.File((i < 50 ? "d1/p" : "d2/p") + std::to_string(i % 50) + ".jpg");
        fs::create_directories(fs::path(path).parent_path());
        MakeJpeg(path, 40 + i, 30);
        widths.insert(40 + i);
        list += path + "\n";
    }
    WriteText(in.File("list"), list);
    const std::string printed =
        test::Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM parallel --will-cite -j2 --pipe -N 10 " +
                    Quote(VANTOR_BINARY) + " --write " + Quote(out.path().string()) + " --mode 1 --files-from - < " +
                    Quote(in.File("list")) + " 2>&1; echo rc=$?");
    ASSERT_NE(printed.find("rc=0\n"), std::string::npos) << printed;
    std::istringstream lines(printed);
    std::set<std::string> named;
    std::multiset<std::uint32_t> landed;
    for (std::string line; std::getline(lines, line) && line != "rc=0";) {
        EXPECT_TRUE(named.insert(line).second) << "printed twice: " << line;
        std::uint32_t w = 0, h = 0;
        EXPECT_TRUE(JpegFile::ReadDimensions(line, w, h).Ok()) << line;
        landed.insert(w);
    }
    EXPECT_EQ(landed, widths);
    EXPECT_EQ(Files(out.path().string()).size(), 100u);
}

}  // namespace
}  // namespace vantor
