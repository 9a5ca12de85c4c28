// A show in the real window, two ways.
//
// The pace: at speed 5 (a delay of 130 ms) over photos of 6000 x 4000, the
// interval between successive slides reaching the screen (paint done), by the
// program's own clock, with and without the slides decoded ahead. The chosen
// delay is the peer: the target is a mean interval of at most 1.2 times it.
//
// The rate: a show at speed 0 over photos of mixed sizes (2560 x 1600,
// 4000 x 3000, 5120 x 2880, or the JPEG files of PHOTOS, say a folder of real
// camera pictures), three times over, against a djpeg loop over the same files
// in the same run; the target is at least 1.5 times djpeg's rate.
//
//   pace_bench [FOLDER] [SLIDES] [PHOTOS]
//
// It runs offscreen; QT_QPA_PLATFORM=xcb under xvfb-run measures an X server.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "BenchPhoto.h"
#include "imaging/RgbBuffer.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/ViewWidget.h"
#include "resource.h"
#include "viewer/CVantorView.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Pace {
    double mean = 0, worst = 0;
    std::size_t count = 0;
};

// One show over files at the given speed, in a window set up as the program sets it up.
Pace RunShow(const std::vector<std::string>& files, std::uint32_t speed, bool prefetch, double* seconds = nullptr) {
    vantor::CVantorView view;
    vantor::MainWindow window(view);
    vantor::QtUi ui(window);
    ui.waitingForUser = [&view] { return view.WaitingForUser(); };
    vantor::ScopedUi scope(ui);
    window.resize(1100, 800);
    window.show();
    QApplication::processEvents();
    for (const auto& f : files) view.AppendSlide(f);
    view.m_speed = speed;
    view.m_prefetchSlides = prefetch;

    std::vector<Clock::time_point> shown;
    std::uint64_t generation = view.m_buf.Generation();
    window.ViewArea()->painted = [&] {
        if (view.m_buf && view.m_buf.Generation() != generation) {
            generation = view.m_buf.Generation();
            shown.push_back(Clock::now());
        }
    };
    const auto t0 = Clock::now();
    window.CallView([&view] { view.OnCommand(vantor::ID_SLIDESHOW_START); });
    if (seconds) *seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    window.ViewArea()->painted = nullptr;

    std::vector<double> intervals;
    for (std::size_t i = 1; i < shown.size(); ++i) {
        intervals.push_back(std::chrono::duration<double, std::milli>(shown[i] - shown[i - 1]).count());
    }
    Pace pace;
    pace.count = shown.size();
    if (!intervals.empty()) {
        pace.mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / static_cast<double>(intervals.size());
        pace.worst = *std::max_element(intervals.begin(), intervals.end());
    }
    return pace;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    vantor::KeepPictureMemoryReturnable();  // as the program does at start-up
    int qargc = 1;
    QApplication app(qargc, argv);
    const std::filesystem::path folder = argc > 1 ? argv[1] : "build/pace-pictures";
    const int slides = argc > 2 ? std::atoi(argv[2]) : 20;
    std::filesystem::create_directories(folder);
    std::vector<std::string> files;
    for (int i = 0; i < slides; ++i) {
        const std::string f = (folder / ("photo" + std::to_string(i) + ".jpg")).string();
        if (!std::filesystem::exists(f)) vantor::bench::WritePhoto(f, 6000, 4000, 200 + static_cast<unsigned>(i), 12);
        files.push_back(f);
    }

    constexpr std::uint32_t kSpeed = 5;
    const double delay = vantor::CVantorView::DelayForSpeed(kSpeed);
    std::printf("%-44s %10s %10s %8s %8s\n", "case", "mean (ms)", "worst (ms)", "ratio", "target");
    for (const bool prefetch : {false, true}) {
        const Pace pace = RunShow(files, kSpeed, prefetch);
        if (pace.count != files.size()) {
            std::fprintf(stderr, "only %zu of %zu slides reached the screen\n", pace.count, files.size());
            return 1;
        }
        std::printf("%-44s %10.1f %10.1f %8.2f %8s\n",
                    prefetch ? "speed 5, 6000x4000, next decoded ahead" : "speed 5, 6000x4000, one thread", pace.mean,
                    pace.worst, pace.mean / delay, prefetch ? "<= 1.2" : "");
    }

    std::vector<std::string> photos;
    if (argc > 3) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[3])) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".jpg" || ext == ".JPG" || ext == ".jpeg"))
                photos.push_back(entry.path().string());
        }
        std::sort(photos.begin(), photos.end());
    } else {
        const unsigned sizes[][2] = {{2560, 1600}, {4000, 3000}, {5120, 2880}};
        for (unsigned i = 0; i < 12; ++i) {
            const auto [w, h] = sizes[i % 3];
            const std::string f = (folder / ("mixed" + std::to_string(i) + ".jpg")).string();
            if (!std::filesystem::exists(f)) vantor::bench::WritePhoto(f, w, h, 300 + i, 12);
            photos.push_back(f);
        }
    }
    std::vector<std::string> rounds;
    for (int r = 0; r < 3; ++r) rounds.insert(rounds.end(), photos.begin(), photos.end());
    vantor::bench::TimeDjpeg(photos, 1);  // the same warm start for the peer
    const double peer = vantor::bench::TimeDjpeg(rounds, 1);
    double ours = 0;
    RunShow(rounds, 0, true, &ours);
    std::printf("%-44s %10.3f %10.3f %8.2f %8s\n", "speed 0, photos, rate against djpeg (s)", ours, peer, peer / ours,
                ">= 1.5");
    return 0;
}
