// Saving a photo the screen shows from a reduced decode: every save writes the
// picture at its own size, decoded again from the file as it is now, or writes
// nothing and says why with the decoder's own box; the size the view reports is
// the picture's, never the screen copy's.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "TestSupport.h"
#include "imaging/OpenSaveTestSupport.h"
#include "imaging/QuantizeDialogs.h"
#include "imaging/RgbBuffer.h"
#include "platform/script/Json.h"
#include "resource.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct Writer {
    const char* name;
    const char* ending;
    std::function<void(test::ScriptedView&, const std::string&)> save;
};

void SaveAs(test::ScriptedView& s, const std::string& path, int command) {
    s.ui.QueueFilesAnswer({false, {path}});
    s.view.OnCommand(command);
}

const Writer kWriters[] = {
    {"jpeg", ".jpg", [](auto& s, auto& p) { SaveAs(s, p, ID_FILE_SAVE_RGB_AS); }},
    {"gray jpeg", ".jpg", [](auto& s, auto& p) { SaveAs(s, p, ID_FILE_SAVE_GRAYSCALE_JPEG); }},
    {"24-bit bmp", ".bmp", [](auto& s, auto& p) { SaveAs(s, p, ID_FILE_SAVE_RGB_AS); }},
    {"1-bit bmp", ".bmp",
     [](auto& s, auto& p) {
         s.ui.QueueFilesAnswer({false, {p}});
         DialogAnswer bits;
         bits.button = IDOK;
         bits.steps.push_back({DialogAnswer::Step::Kind::Click, CBitsDialog::k1Bit, ScrollCode::EndScroll, 0, {}});
         s.ui.QueueDialogAnswer(bits);
         s.view.OnCommand(ID_FILE_SAVE_COLORMAPPED_BMP);
     }},
};

std::string Identify(const std::string& path) {
    std::string out;
    if (std::FILE* pipe = ::popen(("identify -format '%w %h' '" + path + "' 2>&1").c_str(), "r")) {
        char buf[256];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
        ::pclose(pipe);
    }
    return out;
}

// The boxes of a transcript, as caption and text.
std::vector<std::string> Boxes(const std::string& transcript) {
    std::vector<std::string> boxes;
    std::istringstream in(transcript);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("{\"event\":\"box\"", 0) != 0) continue;
        const Json j = Json::parse(line);
        boxes.push_back(j["caption"].get<std::string>() + ": " + j["text"].get<std::string>());
    }
    return boxes;
}

std::string Size(const test::ScriptedView& s) {
    return std::to_string(s.view.m_width) + " " + std::to_string(s.view.m_height) +
           (s.view.m_buf.Reduced() ? " reduced" : "");
}

// A view showing the photo at path, reduced for the screen, at its own size.
void Show(test::ScriptedView& s, const std::string& path, const std::string& size) {
    s.ui.QueueFilesAnswer({false, {path}});
    s.view.OnCommand(ID_FILE_OPEN);
    ASSERT_EQ(Size(s), size + " reduced");
    s.ClearTranscript();
}

TEST(SaveWholePicture, AFileChangedSinceItWasShownIsSavedAsItIsNowOrNotAtAll) {
    TempDir dir;
    // Shown at half size in the 800 x 600 frame.
    const std::string original = open_save_test::WriteJpeg(dir, "original.jpg", 2000, 1500);
    const std::string portrait = open_save_test::WriteJpeg(dir, "portrait.jpg", 900, 1200);
    struct Change {
        const char* what;
        std::function<void(const std::string&)> apply;
        std::string written;  // the saved file's size, the view's size after; empty: nothing written
        std::vector<std::string> boxes;
    };
    const Change changes[] = {
        {"unchanged", [](auto&) {}, "2000 1500", {}},
        {"touched",
         [](const std::string& p) {
             const timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 60, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), later, 0), 0);
         },
         "2000 1500",
         {}},
        {"replaced by another picture",
         [&](const std::string& p) { fs::copy_file(portrait, p, fs::copy_options::overwrite_existing); },
         "900 1200",
         {}},
        {"replaced by text",
         [](const std::string& p) {
             test::WriteFile(p, {'n', 'o', 't', ' ', 'a'});
         },
         "",
         {"JPEG Fatal Error: Not a JPEG file: starts with 0x6e 0x6f"}},
        {"removed", [](const std::string& p) { fs::remove(p); }, "", {"Vantor: JPEG :\nCan't open %s\n"}},
    };
    for (const Writer& w : kWriters) {
        for (const Change& c : changes) {
            SCOPED_TRACE(std::string(w.name) + ", photo " + c.what);
            const std::string photo = dir.File("photo.jpg");
            fs::copy_file(original, photo, fs::copy_options::overwrite_existing);
            const std::string target = dir.File(std::string("saved") + w.ending);
            fs::remove(target);
            test::ScriptedView s;
            Show(s, photo, "2000 1500");
            c.apply(photo);
            w.save(s, target);

            std::vector<std::string> boxes = c.boxes;
            for (std::string& b : boxes) {
                if (const auto at = b.find("%s"); at != std::string::npos) b.replace(at, 2, photo);
            }
            EXPECT_EQ(Boxes(s.out.str()), boxes);
            if (c.written.empty()) {
                EXPECT_FALSE(fs::exists(target));
                EXPECT_TRUE(s.Events("write").empty());
                EXPECT_EQ(Size(s), "2000 1500 reduced") << "still the picture shown, at its own size";
            } else {
                EXPECT_EQ(Identify(target), c.written);
                EXPECT_EQ(std::to_string(s.view.m_width) + " " + std::to_string(s.view.m_height), c.written);
            }
        }
    }
}

// The address space the process holds now.
std::uint64_t AddressSpace() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

TEST(SaveWholePicture, WithoutMemoryForTheWholePictureNothingIsSavedAndTheSizeStays) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory leaves no address space limit to set";
#endif
    TempDir dir;
    // Larger than any block the allocator may have kept from earlier pictures.
    constexpr std::uint32_t kWidth = 4000, kHeight = 3000;
    const std::string photo = open_save_test::WriteJpeg(dir, "photo.jpg", kWidth, kHeight);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string limited = dir.File(std::string("limited") + w.ending);
        const std::string after = dir.File(std::string("after") + w.ending);
        test::ScriptedView s;
        Show(s, photo, "4000 3000");
        // In a child: a save with room for half the whole picture, then one with room.
        const std::string told = test::RunInChild([&] {
            // As the program runs: a picture's block is mapped anew, and freed ones go back.
            KeepPictureMemoryReturnable();
            ::malloc_trim(0);
            rlimit limit{};
            ::getrlimit(RLIMIT_AS, &limit);
            const rlim_t room = limit.rlim_cur;
            limit.rlim_cur = AddressSpace() + std::uint64_t{kWidth} * kHeight * 3 / 2;
            ::setrlimit(RLIMIT_AS, &limit);
            w.save(s, limited);
            limit.rlim_cur = room;
            ::setrlimit(RLIMIT_AS, &limit);
            std::string result = s.out.str() + Size(s) + "\n";
            w.save(s, after);
            return result;
        });
        EXPECT_EQ(Boxes(told), std::vector<std::string>{"Vantor: JpegFile :\nOut of memory"});
        EXPECT_NE(told.find("\n4000 3000 reduced\n"), std::string::npos) << told;
        EXPECT_FALSE(fs::exists(limited));
        EXPECT_EQ(Identify(after), "4000 3000");
    }
}

}  // namespace
}  // namespace vantor
