// `vantor --write` as a user runs it: the built program, its messages on standard
// error, its exit status and the files it leaves.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <set>

#include "TestSupport.h"
#include "batch/BatchTestSupport.h"
#include "imaging/OrientedJpeg.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::Identify;
using test::MakeJpeg;
using test::Quote;
using test::Replace;
using test::RunVantor;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A baseline JPEG's frame header: its height and width follow the length and the precision.
constexpr unsigned char kSof0[] = {0xFF, 0xC0};

std::size_t Entries(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(BatchCommandLine, OneLinePerFailureWarningsAndTheExitStatus) {
    test::TempDir in;
    const std::string I = in.path().string() + "/";
    MakeJpeg(I + "ok.jpg", 64, 48);
    MakeJpeg(I + "whole.jpg", 320, 240);
    auto cut = test::ReadFile(I + "whole.jpg");
    cut.resize(cut.size() / 2);  // still decodes, with a warning
    test::WriteFile(I + "cut.jpg", cut);
    test::WriteFile(I + "bad.jpg", {'n', 'o', 't', ' ', 'J', 'P', 'E', 'G'});
    test::WriteFile(I + "photo.xcf", {1});
    test::WriteFile(I + "anim.gif", {'G', 'I', 'F'});
    test::WriteFile(I + "plain", {1});
    ASSERT_EQ(::mkfifo((I + "pipe.jpg").c_str(), 0600), 0);
    MakeJpeg(I + "big.jpg", 400, 300);
    // Headers that declare 65500 x 65500 pixels, and two links that lead to each other.
    auto huge = test::ReadFile(I + "ok.jpg");
    const std::size_t sof = std::search(huge.begin(), huge.end(), std::begin(kSof0), std::end(kSof0)) - huge.begin();
    ASSERT_LT(sof + 9, huge.size());
    huge[sof + 5] = huge[sof + 7] = 0xFF;
    huge[sof + 6] = huge[sof + 8] = 0xDC;
    test::WriteFile(I + "huge.jpg", huge);
    std::vector<unsigned char> bmp(54);  // the headers of a 24-bit file, without its pixels
    const auto put = [&bmp](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) bmp[at + i] = static_cast<unsigned char>(v >> 8 * i);
    };
    put(0, 'B' | 'M' << 8, 2);
    put(10, 54, 4);  // where the pixels would start
    put(14, 40, 4);
    put(18, 65500, 4);
    put(22, 65500, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    test::WriteFile(I + "huge.bmp", bmp);
    fs::create_symlink("loop2.jpg", I + "loop.jpg");
    fs::create_symlink("loop.jpg", I + "loop2.jpg");

    // {I} is the pictures' folder and {O} the output folder, each with its '/'.
    struct Case {
        const char* what;
        std::string args;
        std::string out, err;
        int status;
        std::string prefix = "";  // shell commands before the program
        std::function<void(const std::string& out)> prepare = nullptr;
    };
    const std::vector<Case> cases = {
        {"one picture from start number 1", "--write {O} --start 1 {I}ok.jpg", "{O}ok.JPG\n", "", 0},
        {"a cut picture is written with a warning", "--write {O} {I}cut.jpg", "{O}cut.JPG\n",
         "vantor: {I}cut.jpg: warning: Premature end of JPEG file\n", 0},
        {"each failure is one line and the rest is written",
         "--write {O} {I}bad.jpg {I}photo.xcf {I}anim.gif {I}pipe.jpg {I}gone.jpg {I}ok.jpg", "{O}ok.JPG\n",
         "vantor: {I}gone.jpg: No such file or directory\n"
         "vantor: {I}bad.jpg: not a readable JPEG picture (Not a JPEG file: starts with 0x6e 0x6f)\n"
         "vantor: {I}photo.xcf: the name does not end in .jpg, .jpeg, .jpe, .bmp, .png, .gif, .webp, .tif, .tiff, "
         ".heic, .heif or .avif\n"
         "vantor: {I}anim.gif: not a readable GIF picture (not a GIF picture)\n"
         "vantor: {I}pipe.jpg: not a regular file\n",
         1},
        {"a name holding a line break stays on one line", "--write {O} '{I}new\nline.jpg'", "",
         "vantor: {I}new\\nline.jpg: No such file or directory\n", 1},
        {"a picture above 100 megapixels is too large, a link loop says so",
         "--write {O} {I}huge.jpg {I}huge.bmp {I}loop.jpg", "",
         "vantor: {I}loop.jpg: Too many levels of symbolic links\n"
         "vantor: {I}huge.jpg: too large: 65500 x 65500 pixels, more than 100 megapixels\n"
         "vantor: {I}huge.bmp: too large: 65500 x 65500 pixels, more than 100 megapixels\n",
         1},
        {"a missing output folder, before any work", "--write {O}nope {I}ok.jpg {I}cut.jpg", "",
         "vantor: {O}nope: the output folder does not exist\n", 2},
        {"an output folder that is a file", "--write {I}plain {I}ok.jpg", "",
         "vantor: {I}plain: the output folder is not a folder\n", 2},
        {"a full disk", "--write {O} {I}big.jpg", "",
         "vantor: {O}big.JPG: could not be written: File too large (Output file write error --- out of disk space?)\n",
         1, "trap '' XFSZ; ulimit -f 4;"},
        {"every free name taken", "--write {O} {I}ok.jpg", "",
         "vantor: {O}ok.JPG: the name and all its 9989 numbered names (~(1) to ~9989) are taken\n", 1, "",
         [](const std::string& out) {
             test::WriteFile(out + "ok.JPG", {7});
             for (unsigned n = 1; n <= 9989; ++n) {
                 char suffix[16];
                 if (n <= 9)
                     std::snprintf(suffix, sizeof suffix, "~(%u)", n);
                 else if (n <= 99)
                     std::snprintf(suffix, sizeof suffix, "~0%02u", n);
                 else
                     std::snprintf(suffix, sizeof suffix, "~%u", n);
                 fs::create_hard_link(out + "ok.JPG", out + "ok" + suffix + ".JPG");
             }
         }},
    };
    for (const Case& c : cases) {
        test::TempDir outDir;
        const std::string O = outDir.path().string() + "/";
        if (c.prepare) c.prepare(O);
        const std::size_t before = Entries(O);
        const auto fill = [&](const std::string& text) { return Replace(Replace(text, "{I}", I), "{O}", O); };
        const test::ProgramRun run = RunVantor(fill(c.args), c.prefix);
        EXPECT_EQ(run.out, fill(c.out)) << c.what;
        EXPECT_EQ(run.err, fill(c.err)) << c.what;
        EXPECT_EQ(run.status, c.status) << c.what;
        // Every file left is one it printed, and a whole picture.
        const auto written = Lines(run.out);
        EXPECT_EQ(Entries(O), before + written.size()) << c.what;
        for (const auto& path : written) EXPECT_EQ(Identify(path), "800 600 JPEG 75") << c.what;
    }
}

// Each file written is one line on standard output, its name escaped as standard
// error escapes names. Standard output that cannot take the names is one error and
// its own exit status; the run goes on, so every picture is written all the same.
TEST(BatchCommandLine, StandardOutputNamesEachFileOnOneLineAndIsChecked) {
    test::TempDir in;
    const std::string I = in.path().string() + "/";
    for (const char* name : {"new\nline.jpg", "tab\tand\\backslash.jpg", "a.jpg"}) MakeJpeg(I + name, 64, 48);
    const std::string odd = "'{I}new\nline.jpg' '{I}tab\tand\\backslash.jpg'";
    struct Case {
        const char* what;
        std::string args, out, err;
        int status;
        std::size_t files;
    };
    const std::vector<Case> cases = {
        {"a line break, a tab and a backslash escaped", odd, "{O}new\\nline.JPG\n{O}tab\\tand\\\\backslash.JPG\n", "",
         0, 2},
        {"a full standard output", "{I}a.jpg > /dev/full", "", "vantor: standard output: No space left on device\n", 3,
         1},
        {"a full standard output, said once, with two jobs and a picture not written",
         "--jobs 2 {I}a.jpg " + odd + " {I}gone.jpg > /dev/full", "",
         "vantor: {I}gone.jpg: No such file or directory\nvantor: standard output: No space left on device\n", 3, 3},
    };
    for (const Case& c : cases) {
        test::TempDir outDir;
        const std::string O = outDir.path().string() + "/";
        const auto fill = [&](const std::string& text) { return Replace(Replace(text, "{I}", I), "{O}", O); };
        const test::ProgramRun run = RunVantor("--write " + Quote(O) + " " + fill(c.args));
        EXPECT_EQ(run.out, fill(c.out)) << c.what;
        EXPECT_EQ(run.err, fill(c.err)) << c.what;
        EXPECT_EQ(run.status, c.status) << c.what;
        EXPECT_EQ(Entries(O), c.files) << c.what;
    }
}

// The options spelled as GNU tools take them write what the other spelling writes.
TEST(BatchCommandLine, OptionsWithEqualsSignsWriteTheSameFile) {
    test::TempDir in, first, second;
    MakeJpeg(in.File("a.jpg"), 320, 200);
    const std::string a = Quote(in.File("a.jpg"));
    const test::ProgramRun joined =
        RunVantor("--write=" + Quote(first.path().string()) + " --frame=640x480 --mode=2 --background=black " + a);
    const test::ProgramRun apart =
        RunVantor("--write " + Quote(second.path().string()) + " --frame 640x480 --mode 2 --background black " + a);
    EXPECT_EQ(joined.err, "");
    EXPECT_EQ(joined.status, 0);
    EXPECT_EQ(joined.out, first.File("a.JPG") + "\n");
    EXPECT_EQ(Identify(first.File("a.JPG")), "640 480 JPEG 75");
    EXPECT_EQ(apart.status, 0);
    EXPECT_EQ(test::ReadFile(first.File("a.JPG")), test::ReadFile(second.File("a.JPG")));
}

TEST(BatchCommandLine, ThreeRunsIntoOneFolderLandEveryPictureUnderItsOwnName) {
    test::TempDir in, out;
    std::string pictures;
    for (int i = 0; i < 8; ++i) {
        const std::string path = in.File("p" + std::to_string(i) + ".jpg");
        MakeJpeg(path, 240 + 16 * i, 180);
        pictures += " " + Quote(path);
    }
    const std::string run = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quote(VANTOR_BINARY) +
                            " --write " + Quote(out.path().string()) + pictures;
    const std::string printed = test::Shell("(" + run + " & " + run + " & " + run + " & wait) 2>&1");
    const auto lines = Lines(printed);
    const std::set<std::string> distinct(lines.begin(), lines.end());
    EXPECT_EQ(lines.size(), 24u) << printed;
    EXPECT_EQ(distinct.size(), lines.size());
    EXPECT_EQ(Entries(out.path().string()), 24u);
    for (const auto& path : lines) EXPECT_EQ(Identify(path), "800 600 JPEG 75") << path;
}

TEST(BatchCommandLine, TheRootIsRefusedUnderAnyName) {
    test::TempDir dir;
    fs::create_directory_symlink("/", dir.path() / "root");
    // A name of its own, so that a write into the root could neither meet nor
    // leave anything there.
    const std::string stem = "vantor-root-test-" + std::to_string(std::random_device{}());
    MakeJpeg(dir.File(stem + ".jpg"), 40, 30);
    for (const std::string& folder : {std::string("/"), std::string("//"), std::string("/tmp/.."), dir.File("root")}) {
        const test::ProgramRun run = RunVantor("--write " + Quote(folder) + " " + Quote(dir.File(stem + ".jpg")));
        EXPECT_EQ(run.err, "vantor: " + folder + ": the output folder cannot be the root folder\n");
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(fs::exists("/" + stem + ".JPG")) << folder;
        fs::remove("/" + stem + ".JPG");
    }
}

// Photos stored on their side, named with every JPEG ending, written into a square
// frame (enlarged to fit): upright with --auto-rotate, as stored without it, and
// each under its name with .JPG.
TEST(BatchCommandLine, AutoRotateWritesPhotosUprightUnderTheirJpegNames) {
    test::TempDir in;
    const char* const names[] = {"o1.jpg", "o2.jpeg", "o3.JPEG", "o4.jpe", "o5.JPE", "o6.Jpeg", "o7.jpg", "o8.jpeg"};
    const test::Corners upright[] = {{1, 2, 3, 4}, {2, 1, 4, 3}, {4, 3, 2, 1}, {3, 4, 1, 2},
                                     {1, 3, 2, 4}, {3, 1, 4, 2}, {4, 2, 3, 1}, {2, 4, 1, 3}};
    std::string paths;
    for (int o = 1; o <= 8; ++o) {
        test::WriteOrientedJpeg(in.File(names[o - 1]), 64, 32, o);
        paths += " " + Quote(in.File(names[o - 1]));
    }
    for (const bool turn : {true, false}) {
        SCOPED_TRACE(turn ? "--auto-rotate" : "as stored");
        test::TempDir outDir;
        const std::string O = outDir.path().string() + "/";
        const test::ProgramRun run = RunVantor("--write " + Quote(O) + " --frame 128x128 --mode 2 --quality 0" +
                                               (turn ? " --auto-rotate" : "") + paths);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, O + "o1.JPG\n" + O + "o2.JPG\n" + O + "o3.JPG\n" + O + "o4.JPG\n" + O + "o5.JPG\n" + O +
                               "o6.JPG\n" + O + "o7.JPG\n" + O + "o8.JPG\n");
        for (int o = 1; o <= 8; ++o) {
            SCOPED_TRACE(o);
            std::uint32_t w = 0, h = 0;
            RgbBuffer frame;
            ASSERT_TRUE(JpegFile::LoadToDisplay(O + "o" + std::to_string(o) + ".JPG", frame, w, h).Ok());
            ASSERT_EQ(std::pair(w, h), std::pair(128u, 128u));
            // Enlarged to fit the frame and centred: 128 x 64, or 64 x 128 upright.
            const bool across = turn && o >= 5;
            const test::Corners corners = across ? test::CornersOfDisplay(frame.get(), 128, 128, 32, 0, 64, 128)
                                                 : test::CornersOfDisplay(frame.get(), 128, 128, 0, 32, 128, 64);
            EXPECT_EQ(corners, (turn ? upright[o - 1] : test::Corners{1, 2, 3, 4}));
            // The band beside the picture is the gray background.
            const std::uint8_t* band = frame.get() + (std::size_t{across ? 64u : 8u} * 128 + (across ? 8u : 64u)) * 3;
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(band[k], 200, 3);
        }
    }
}

}  // namespace
}  // namespace vantor
