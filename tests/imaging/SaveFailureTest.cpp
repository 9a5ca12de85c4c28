// Saves that cannot complete: a disk that fills at any byte, targets that are
// not regular files. A save either leaves a complete file that an independent
// reader decodes and says so, or leaves the old file as it was (and nothing
// else) and says why. Each save runs in a child process, under a file-size
// limit for the full disk and a time limit for what might block.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "TestSupport.h"
#include "platform/script/Json.h"
#include "resource.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr std::uint32_t kWidth = 201;  // rows of every depth need padding
constexpr std::uint32_t kHeight = 150;

// One way the user writes the picture on screen: the command with its answers,
// and the texts shown when the write fails or the target cannot be opened ("%s"
// stands for the path).
struct Writer {
    const char* name;
    const char* ending;
    std::function<void(test::ScriptedView&, const std::string&)> save;
    std::vector<std::string> failure;
    std::vector<std::string> openFailure;
};

void SaveAs(test::ScriptedView& s, const std::string& path, int command) {
    s.ui.QueueFilesAnswer({false, {path}});
    s.view.OnCommand(command);
}

void SaveIndexed(test::ScriptedView& s, const std::string& path, int bitsButton, int quantizeButton) {
    s.ui.QueueFilesAnswer({false, {path}});
    DialogAnswer bits;
    bits.button = IDOK;
    if (bitsButton != 0)
        bits.steps.push_back({DialogAnswer::Step::Kind::Click, bitsButton, ScrollCode::EndScroll, 0, {}});
    s.ui.QueueDialogAnswer(bits);
    if (bitsButton == 0) {
        DialogAnswer quantize;
        quantize.button = IDOK;
        if (quantizeButton != 0)
            quantize.steps.push_back({DialogAnswer::Step::Kind::Click, quantizeButton, ScrollCode::EndScroll, 0, {}});
        s.ui.QueueDialogAnswer(quantize);
    }
    s.view.OnCommand(ID_FILE_SAVE_COLORMAPPED_BMP);
}

const std::string kJpegWriteError = "Output file write error --- out of disk space?";

const std::vector<Writer>& Writers() {
    static const std::vector<Writer> writers = {
        {"jpeg",
         ".jpg",
         [](auto& s, auto& p) { SaveAs(s, p, ID_FILE_SAVE_RGB_AS); },
         {kJpegWriteError, "Write Error", "%s"},
         {"JpegFile :\nCan't open %s\n", "Write Error", "%s"}},
        {"gray jpeg",
         ".JPG",
         [](auto& s, auto& p) { SaveAs(s, p, ID_FILE_SAVE_GRAYSCALE_JPEG); },
         {kJpegWriteError, "Write Error", "%s"},
         {"JpegFile :\nCan't open %s\n", "Write Error", "%s"}},
        {"24-bit bmp",
         ".bmp",
         [](auto& s, auto& p) { SaveAs(s, p, ID_FILE_SAVE_RGB_AS); },
         {"fwrite error\nGiving up"},
         {"Can't open file for writing"}},
        {"8-bit colour bmp",
         ".bmp",
         [](auto& s, auto& p) { SaveIndexed(s, p, 0, 0); },
         {"byteswritten != filesize"},
         {"Can't Open"}},
        {"4-bit bmp",
         ".BMP",
         [](auto& s, auto& p) { SaveIndexed(s, p, 1002, 0); },
         {"byteswritten != filesize"},
         {"Can't Open"}},
        {"1-bit bmp",
         ".bmp",
         [](auto& s, auto& p) { SaveIndexed(s, p, 1001, 0); },
         {"byteswritten != filesize"},
         {"Can't Open"}},
    };
    return writers;
}

std::vector<std::string> WithPath(const std::vector<std::string>& texts, const std::string& path) {
    std::vector<std::string> out;
    for (std::string t : texts) {
        if (const auto at = t.find("%s"); at != std::string::npos) t.replace(at, 2, path);
        out.push_back(t);
    }
    return out;
}

// What the user saw of one save, told back by the child.
struct Outcome {
    std::vector<std::string> boxes;
    std::vector<std::string> icons;
    int writes = 0;
    bool pictureKept = false;
    std::string raw;
};

// A view showing a colourful picture.
struct Screen {
    test::ScriptedView s;
    Screen() {
        RgbBuffer pixels = AllocRgb(kWidth, kHeight);
        for (std::uint32_t i = 0; i < kWidth * kHeight * 3; ++i)
            pixels[i] = static_cast<std::uint8_t>(i * 7 / 3 + i / (kWidth * 3) * 5);
        s.view.m_buf.Replace(std::move(pixels), kWidth, kHeight);
    }
    std::vector<std::uint8_t> Picture() const {
        return {s.view.m_buf.get(), s.view.m_buf.get() + std::size_t{s.view.m_width} * s.view.m_height * 3};
    }
    // Saves in a child (this view stays as it is for the next case), as a user
    // other than root when asked.
    Outcome Save(const Writer& w, const std::string& path, std::int64_t limit, int seconds = 20,
                 bool otherUser = false) {
        const auto before = Picture();
        Outcome o;
        o.raw = test::RunInChild(
            [&] {
                if (otherUser && ::geteuid() == 0 &&
                    (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                     ::setresuid(65534, 65534, 65534) != 0))
                    return std::string("still root");
                w.save(s, path);
                return s.out.str() + (s.view.m_buf && Picture() == before ? "kept" : "changed");
            },
            limit, seconds);
        std::istringstream in(o.raw);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("{", 0) != 0) {
                o.pictureKept = line == "kept";
                continue;
            }
            const Json j = Json::parse(line);
            if (j["event"] == "write") ++o.writes;
            if (j["event"] == "box") {
                o.boxes.push_back(j["text"].get<std::string>());
                o.icons.push_back(j["icon"].get<std::string>());
            }
        }
        return o;
    }
};

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

std::string Identify(const std::string& path) {
    std::string out;
    if (std::FILE* pipe = ::popen(("identify -format '%w %h' '" + path + "' 2>&1").c_str(), "r")) {
        char buf[512];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
        ::pclose(pipe);
    }
    return out;
}

std::uint32_t Le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The bytes where a write may be cut: in the file header, in the information
// header or the colour table, in the first row's padding, in the middle, and the
// very last byte (which only the final flush writes).
std::vector<std::int64_t> CutOffs(const std::vector<unsigned char>& full, bool bmp) {
    std::set<std::int64_t> cuts = {0, 10, 60, static_cast<std::int64_t>(full.size() / 2),
                                   static_cast<std::int64_t>(full.size() - 1)};
    if (bmp) {
        const unsigned bits = full[28];
        cuts.insert(Le32(full, 10) + (kWidth * bits + 7) / 8);
    }
    return {cuts.begin(), cuts.end()};
}

TEST(SaveFailure, AFullDiskAtAnyByteLeavesTheOldFileAndSaysSo) {
    Screen screen;
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        const std::string path = dir.File(std::string("picture") + w.ending);
        // The whole file, to know where to cut it; it must decode.
        const Outcome whole = screen.Save(w, path, test::kNoSizeLimit);
        ASSERT_EQ(whole.writes, 1) << whole.raw;
        EXPECT_TRUE(whole.boxes.empty()) << whole.raw;
        ASSERT_EQ(Identify(path), "201 150");
        EXPECT_EQ(Names(dir.path()), std::set<std::string>{fs::path(path).filename().string()});
        const auto full = test::ReadFile(path);

        const std::vector<unsigned char> old = {'o', 'l', 'd', 0, 1, 2};
        for (const std::int64_t cut : CutOffs(full, std::string(w.name).find("bmp") != std::string::npos)) {
            SCOPED_TRACE("cut at byte " + std::to_string(cut) + " of " + std::to_string(full.size()));
            test::WriteFile(path, old);  // the file the user agreed to replace
            const Outcome o = screen.Save(w, path, cut);
            EXPECT_EQ(o.writes, 0) << o.raw;
            EXPECT_EQ(o.boxes, WithPath(w.failure, path)) << o.raw;
            if (!o.icons.empty()) {
                EXPECT_EQ(o.icons.front(), "error");
            }
            EXPECT_TRUE(o.pictureKept) << o.raw;
            EXPECT_EQ(test::ReadFile(path), old);
            EXPECT_EQ(Names(dir.path()), std::set<std::string>{fs::path(path).filename().string()});
        }
        // Nothing at the name before: nothing after.
        fs::remove(path);
        const Outcome o = screen.Save(w, path, static_cast<std::int64_t>(full.size() - 1));
        EXPECT_EQ(o.writes, 0) << o.raw;
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
}

TEST(SaveFailure, OnlyRegularFilesAndNewNamesAreWrittenAndNothingBlocks) {
    Screen screen;
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir.File("pipe.bmp").c_str(), 0600), 0);
    fs::create_directory(dir.File("folder.jpg"));
    fs::create_directory(dir.File("folder.bmp"));
    fs::create_symlink(dir.File("nowhere.jpg"), dir.File("dangling.jpg"));
    fs::create_symlink(dir.File("nowhere.bmp"), dir.File("dangling.bmp"));
    // Devices named like pictures.
    for (const char* ext : {"jpg", "bmp"}) {
        fs::create_symlink("/dev/full", dir.File(std::string("full.") + ext));
        fs::create_symlink("/dev/null", dir.File(std::string("null.") + ext));
    }
    const auto before = Names(dir.path());
    for (const Writer& w : Writers()) {
        const std::string ext = std::string(w.name).find("jpeg") != std::string::npos ? "jpg" : "bmp";
        const std::string targets[] = {dir.File("pipe." + ext),     dir.File("full." + ext),
                                       dir.File("null." + ext),     dir.File("folder." + ext),
                                       dir.File("dangling." + ext), dir.File("missing/x." + ext)};
        for (const std::string& target : targets) {
            SCOPED_TRACE(std::string(w.name) + " onto " + target);
            const Outcome o = screen.Save(w, target, test::kNoSizeLimit, 10);
            ASSERT_NE(o.raw, "timeout");
            EXPECT_EQ(o.writes, 0) << o.raw;
            EXPECT_EQ(o.boxes, WithPath(w.openFailure, target)) << o.raw;
            EXPECT_TRUE(o.pictureKept);
        }
    }
    EXPECT_EQ(Names(dir.path()), before);
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("pipe.jpg").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(fs::exists(dir.File("nowhere.jpg")));
}

// A confirmed overwrite replaces the file the name stands for: through a link the
// link stays and the file it points to is replaced, keeping its permissions; an
// empty file is simply replaced.
TEST(SaveFailure, ReplacingKeepsLinksAndPermissions) {
    Screen screen;
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        TempDir elsewhere;
        const std::string real = elsewhere.File(std::string("real") + w.ending);
        const std::string link = dir.File(std::string("link") + w.ending);
        test::WriteFile(real, {'o', 'l', 'd'});
        ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
        fs::create_symlink(real, link);
        const Outcome o = screen.Save(w, link, test::kNoSizeLimit);
        EXPECT_EQ(o.writes, 1) << o.raw;
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), real);
        EXPECT_EQ(Identify(real), "201 150");
        struct stat st {};
        ASSERT_EQ(::stat(real.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(Names(dir.path()), std::set<std::string>{fs::path(link).filename().string()});
        EXPECT_EQ(Names(elsewhere.path()), std::set<std::string>{fs::path(real).filename().string()});

        const std::string empty = dir.File(std::string("empty") + w.ending);
        test::WriteFile(empty, {});
        EXPECT_EQ(screen.Save(w, empty, test::kNoSizeLimit).writes, 1);
        EXPECT_EQ(Identify(empty), "201 150");
    }
}

// A folder that takes no new file (555) with a writable file in it (666): the
// save rewrites that file in place, as editors do: the same file with the same
// permissions, and nothing else in the folder. A disk too full for the new bytes
// fails before an old byte is touched. Saved as a user other than root, for whom
// the folder's permissions count.
TEST(SaveFailure, AWritableFileInAFolderThatTakesNoNewFileIsRewrittenInPlace) {
    Screen screen;
    const std::vector<unsigned char> old = {'o', 'l', 'd', 0, 1, 2};
    for (const Writer& w : Writers()) {
        for (const std::int64_t limit : {test::kNoSizeLimit, std::int64_t{1000}}) {
            SCOPED_TRACE(std::string(w.name) + (limit == test::kNoSizeLimit ? "" : " on a full disk"));
            TempDir dir;
            const std::string path = dir.File(std::string("picture") + w.ending);
            test::WriteFile(path, old);
            struct stat before {};
            ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
            ASSERT_EQ(::stat(path.c_str(), &before), 0);
            ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
            const Outcome o = screen.Save(w, path, limit, 20, true);
            ::chmod(dir.path().c_str(), 0755);
            struct stat after {};
            ASSERT_EQ(::stat(path.c_str(), &after), 0);
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(after.st_mode & 07777, 0666u);
            EXPECT_EQ(Names(dir.path()), std::set<std::string>{fs::path(path).filename().string()});
            if (limit == test::kNoSizeLimit) {
                EXPECT_EQ(o.writes, 1) << o.raw;
                EXPECT_TRUE(o.boxes.empty()) << o.raw;
                EXPECT_EQ(Identify(path), "201 150");
            } else {
                EXPECT_EQ(o.writes, 0) << o.raw;
                EXPECT_EQ(o.boxes, WithPath(w.failure, path)) << o.raw;
                EXPECT_EQ(test::ReadFile(path), old);
            }
        }
    }
}

}  // namespace
}  // namespace vantor
