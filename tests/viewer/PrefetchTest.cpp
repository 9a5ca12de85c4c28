// The next slide decoded ahead on a second thread: whatever happens between its
// start and its turn, the show the user sees is the one without it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "TestSupport.h"
#include "imaging/BmpTestSupport.h"
#include "imaging/JpegFile.h"
#include "resource.h"

namespace vantor {
namespace {

using Action = ScriptAction;
const Action kLeft{Action::Kind::LeftClick, 0};
const Action kRight{Action::Kind::RightClick, 0};

constexpr unsigned AfterSlideOfPass(unsigned k) { return k * 3 - 1; }

// A JPEG of width x height whose pixels depend on seed.
void WriteJpeg(const std::string& path, unsigned width, unsigned height, unsigned seed) {
    std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * seed + i / 7);
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, rgb.data(), width, height, true, 90));
}

// Slide i (from 0) is 40 + i pixels wide, so the transcript tells every picture apart.
std::vector<std::string> WriteSlides(const test::TempDir& dir, unsigned count) {
    std::vector<std::string> paths;
    for (unsigned i = 0; i < count; ++i) {
        paths.push_back(dir.File("slide" + std::to_string(i) + ".jpg"));
        WriteJpeg(paths.back(), 40 + i, 30, i + 1);
    }
    return paths;
}

void Truncate(const std::string& path) {
    auto bytes = test::ReadFile(path);
    bytes.resize(bytes.size() / 2);
    test::WriteFile(path, bytes);
}

DialogAnswer Answer(int button, std::vector<std::pair<std::string, std::string>> values = {}) {
    DialogAnswer a;
    a.button = button;
    a.values = std::move(values);
    return a;
}

// What a script does to a show: its queued answers, actions and outside changes.
using Script = std::function<void(test::ScriptedView&, const std::vector<std::string>& paths, bool prefetch)>;

struct Run {
    std::vector<std::string> transcript;
    std::vector<std::vector<unsigned char>> written;  // the write run's files, by name
};

using SlideMaker = std::vector<std::string> (*)(const test::TempDir&, unsigned count);

// Runs the same show (or, with write, the same write run into dir/out/) over the
// same files (made by make), set up afresh, with and without the next slide decoded ahead.
std::pair<Run, Run> RunBothWays(unsigned count, const Script& script, bool write = false,
                                SlideMaker make = WriteSlides) {
    test::TempDir dir;
    std::vector<Run> runs;
    for (const bool prefetch : {true, false}) {
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directories(dir.path() / "out");
        const auto paths = make(dir, count);
        test::ScriptedView s;
        for (std::uint32_t i = 0; i < paths.size(); ++i) s.view.m_slides.Store(i, paths[i]);
        s.view.m_slides.m_slideCount = count;
        s.view.m_speed = 0;
        s.view.m_prefetchSlides = prefetch;
        script(s, paths, prefetch);
        if (write) {
            s.ui.QueueDialogAnswer(Answer(IDCANCEL));  // the scale dialog: 800 x 600 on gray
            s.ui.QueueFilesAnswer({false, {dir.File("out/MFC_DUMMY.JPG")}});
            s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "1"}}));
        }
        EXPECT_TRUE(s.view.OnCommand(write ? ID_FILE_WRITE_START : ID_SLIDESHOW_START));
        EXPECT_FALSE(s.view.m_buf.Ahead().Pending()) << "the run left a picture decoded ahead";
        EXPECT_EQ(s.view.m_buf.Ahead().HandedOver() > 0, prefetch) << "slides decoded ahead and used";
        Run run{s.Lines(), {}};
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path() / "out")) names.push_back(e.path());
        std::sort(names.begin(), names.end());
        for (const auto& n : names) run.written.push_back(test::ReadFile(n));
        runs.push_back(std::move(run));
    }
    return {runs[0], runs[1]};
}

// Asserts, inside a show with prefetch, that the next slide was decoded ahead
// before the change that follows.
void ExpectDecodedAhead(test::ScriptedView& s, bool prefetch) {
    if (!prefetch) return;
    EXPECT_TRUE(s.view.m_buf.Ahead().Pending());
    s.view.m_buf.Ahead().Wait();
}

std::vector<std::string> Events(const std::vector<std::string>& lines, const std::string& event) {
    std::vector<std::string> found;
    for (const auto& l : lines) {
        if (l.rfind("{\"event\":\"" + event + "\"", 0) == 0) found.push_back(l);
    }
    return found;
}

TEST(Prefetch, HaltStepBackStepForwardAndRestartShowTheSame) {
    const auto [with, without] = RunBothWays(7, [](test::ScriptedView& s, const auto&, bool) {
        s.ui.QueueAtPump(AfterSlideOfPass(2), kLeft);  // halt on slide 2, slide 3 decoded ahead
        // Once halted, reloading slide 2 drops slide 3: one picture beside the shown
        // one at most, and none that the halt made unlikely.
        s.ui.QueueOutsideAtPump(AfterSlideOfPass(3), [&s] { EXPECT_FALSE(s.view.m_buf.Ahead().Pending()); });
        s.ui.QueueAtPump(AfterSlideOfPass(4), kRight);                          // back to slide 1
        s.ui.QueueAtPump(AfterSlideOfPass(6), Action{Action::Kind::Key, 'X'});  // forward to 2
        s.ui.QueueAtPump(AfterSlideOfPass(8), Action{Action::Kind::Key, ' '});  // back to 1
        s.ui.QueueAtPump(AfterSlideOfPass(10), kLeft);                          // run on from 1
    });
    EXPECT_EQ(with.transcript, without.transcript);
    EXPECT_GE(Events(with.transcript, "slide").size(), 7u);
}

TEST(Prefetch, JumpAbortAndFileClearDuringAHaltShowTheSame) {
    const auto jump = RunBothWays(8, [](test::ScriptedView& s, const auto&, bool) {
        s.ui.QueueDialogAnswer(Answer(IDOK, {{"m_jumpNo", "6"}}));
        s.ui.QueueAtPump(AfterSlideOfPass(2), Action{Action::Kind::Command, ID_SLIDESHOW_JUMP});
    });
    EXPECT_EQ(jump.first.transcript, jump.second.transcript);
    const auto abort = RunBothWays(8, [](test::ScriptedView& s, const auto&, bool) {
        s.ui.QueueAtPump(AfterSlideOfPass(3), Action{Action::Kind::Command, ID_VIEW_ABORT});
    });
    EXPECT_EQ(abort.first.transcript, abort.second.transcript);
    const auto clear = RunBothWays(6, [](test::ScriptedView& s, const auto&, bool) {
        s.ui.QueueAtPump(AfterSlideOfPass(2), kLeft);
        s.ui.QueueAtPump(AfterSlideOfPass(3), Action{Action::Kind::Command, ID_SLIDESHOW_FILE_CLEAR});
        s.ui.QueueAtPump(AfterSlideOfPass(4), kLeft);
    });
    EXPECT_EQ(clear.first.transcript, clear.second.transcript);
    const auto esc = RunBothWays(6, [](test::ScriptedView& s, const auto&, bool) {
        s.ui.QueueDialogAnswer(DialogAnswer{});  // stop
        s.ui.QueueAtPump(AfterSlideOfPass(2), Action{Action::Kind::Key, 27});
    });
    EXPECT_EQ(esc.first.transcript, esc.second.transcript);
}

TEST(Prefetch, AFileReplacedOrDeletedAfterItsDecodeBeganIsShownAsItIsNow) {
    const auto [with, without] = RunBothWays(7, [](test::ScriptedView& s, const auto& paths, bool prefetch) {
        // Slide 2 replaced by another file under its name.
        s.ui.QueueOutsideAtPump(AfterSlideOfPass(1), [&s, paths, prefetch] {
            ExpectDecodedAhead(s, prefetch);
            WriteJpeg(paths[1] + ".new", 77, 20, 9);
            std::filesystem::rename(paths[1] + ".new", paths[1]);
        });
        // Slide 4 rewritten in place.
        s.ui.QueueOutsideAtPump(AfterSlideOfPass(3), [&s, paths, prefetch] {
            ExpectDecodedAhead(s, prefetch);
            WriteJpeg(paths[3], 66, 20, 8);
        });
        // Slide 5 deleted: its box comes at its turn; go on.
        s.ui.QueueDialogAnswer(Answer(IDOK));
        s.ui.QueueOutsideAtPump(AfterSlideOfPass(4), [&s, paths, prefetch] {
            ExpectDecodedAhead(s, prefetch);
            std::filesystem::remove(paths[4]);
        });
        // Slide 7 touched: the same pixels, a new modification time.
        s.ui.QueueOutsideAtPump(AfterSlideOfPass(6), [&s, paths, prefetch] {
            ExpectDecodedAhead(s, prefetch);
            const timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, paths[6].c_str(), times, 0), 0);
        });
    });
    EXPECT_EQ(with.transcript, without.transcript);
    const auto slides = Events(with.transcript, "slide");
    ASSERT_EQ(slides.size(), 6u);
    EXPECT_NE(slides[1].find("\"width\":77,\"height\":20"), std::string::npos) << slides[1];
    EXPECT_NE(slides[3].find("\"width\":66,\"height\":20"), std::string::npos) << slides[3];
    EXPECT_EQ(Events(with.transcript, "dialog").size(), 1u);
}

TEST(Prefetch, ADamagedNextSlideIsReportedAtItsTurnAndOnce) {
    const auto [with, without] =
        RunBothWays(5, [](test::ScriptedView&, const auto& paths, bool) { Truncate(paths[3]); });
    EXPECT_EQ(with.transcript, without.transcript);
    // The library's warning and the path, each once, between slides 3 and 4.
    std::vector<std::string> around;
    for (const auto& line : with.transcript) {
        if (line.rfind("{\"event\":\"slide\"", 0) == 0 || line.rfind("{\"event\":\"box\"", 0) == 0) {
            around.push_back(line.substr(0, line.find(',', 20)));
        }
    }
    ASSERT_EQ(around.size(), 7u);
    EXPECT_EQ(around[2], "{\"event\":\"slide\",\"number\":3");
    EXPECT_EQ(around[3], "{\"event\":\"box\",\"caption\":\"JPEG Error\"");
    EXPECT_EQ(around[4], "{\"event\":\"box\",\"caption\":\"JPEG Error\"");
    EXPECT_EQ(around[5], "{\"event\":\"slide\",\"number\":4");
}

TEST(Prefetch, TheWriteRunWritesTheSameFiles) {
    // The write run takes its next source from the same worker, at the reduction
    // its frame asks for.
    const auto [with, without] = RunBothWays(
        6,
        [](test::ScriptedView& s, const auto& paths, bool prefetch) {
            // Once slide 2 is written (the setup pumps too, so count slides, not pumps).
            auto done = std::make_shared<bool>(false);
            for (unsigned pump = 1; pump < 100; ++pump) {
                s.ui.QueueOutsideAtPump(pump, [&s, paths, prefetch, done] {
                    if (*done || s.view.m_slideNo != 2) return;
                    *done = true;
                    ExpectDecodedAhead(s, prefetch);
                    WriteJpeg(paths[2], 90, 10, 5);
                });
            }
            Truncate(paths[4]);
        },
        true);
    EXPECT_EQ(with.transcript, without.transcript);
    ASSERT_EQ(with.written.size(), 6u);
    EXPECT_EQ(with.written, without.written);
}

// Slides of the other formats in turn, PNG, WebP and HEIC, each of its own size
// and transparent on its left.
std::vector<std::string> WriteOtherSlides(const test::TempDir& dir, unsigned count) {
    static const char* const kFormats[][2] = {
        {".png", "PNG32:"}, {".webp", "-define webp:lossless=true WEBP:"}, {".heic", "-quality 90 HEIC:"}};
    std::vector<std::string> paths;
    for (unsigned i = 0; i < count; ++i) {
        const auto& [ending, format] = kFormats[i % 3];
        paths.push_back(dir.File("slide" + std::to_string(i) + ending));
        EXPECT_TRUE(test::RunConvert("rose: -resize " + std::to_string(40 + i) +
                                     "x30! -alpha set -channel A -fx i/w +channel " + format + "'" + paths.back() +
                                     "'"))
            << paths.back();
    }
    return paths;
}

TEST(Prefetch, OtherFormatsAreTakenAheadOverTheBackgroundOfTheirTurn) {
    if (!test::HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    // Each picture shown, as the count of pictures handed over stood then.
    struct Shown {
        std::uint64_t handedOver;
        std::vector<std::uint8_t> pixels;
    };
    std::map<bool, std::vector<Shown>> shown;
    const auto [with, without] = RunBothWays(
        6,
        [&shown](test::ScriptedView& s, const auto&, bool prefetch) {
            auto generation = std::make_shared<std::uint64_t>(0);
            for (unsigned pump = 1; pump < 40; ++pump) {
                s.ui.QueueOutsideAtPump(pump, [&s, &shown, prefetch, generation] {
                    const CurrentPicture& picture = s.view.m_buf;
                    if (!picture || picture.Generation() == *generation) return;
                    *generation = picture.Generation();
                    const std::uint8_t* pixels = picture.get();
                    shown[prefetch].push_back(
                        {s.view.m_buf.Ahead().HandedOver(),
                         {pixels, pixels + std::size_t{picture.PixelWidth()} * picture.PixelHeight() * 3}});
                });
            }
            // Slides 4 and 5 are decoded over gray, and the background turns black
            // before their turn: 4 is decoded at its turn, 5 ahead again, over black.
            s.ui.QueueOutsideAtPump(AfterSlideOfPass(3), [&s, prefetch] { ExpectDecodedAhead(s, prefetch); });
            s.ui.QueueAtPump(AfterSlideOfPass(3), Action{Action::Kind::Command, ID_EFFECT_BACKGROUND});
        },
        false, WriteOtherSlides);
    EXPECT_EQ(with.transcript, without.transcript);
    ASSERT_EQ(shown[true].size(), 6u);
    ASSERT_EQ(shown[false].size(), 6u);
    const std::uint64_t handedOver[] = {0, 1, 2, 2, 3, 4};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(shown[true][i].handedOver, handedOver[i]) << "slide " << i + 1;
        EXPECT_EQ(shown[true][i].pixels, shown[false][i].pixels) << "slide " << i + 1;
    }
}

}  // namespace
}  // namespace vantor
