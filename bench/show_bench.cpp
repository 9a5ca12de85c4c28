// Loading and painting slides against libjpeg-turbo's own `djpeg` decoding the
// same files, measured in the same run and reported as ratios.
//
//   show_bench [FOLDER] [SLIDES]
//   show_bench --memory FILE...   (run by the above: one show, then its peak)
//
// One slide: LoadJpegFile, fit and a paint into a view-sized image, for a
// 1920 x 1080 and a 6000 x 4000 picture, against djpeg of the same file.
// The show: a slide show at speed 0 over SLIDES (300) 1920 x 1080 pictures,
// window-sized paint included, against djpeg decoding the same files one
// after another; once on one thread, once with the next slides decoded ahead.
// Memory: the peak resident size of a process that shows 5120 x 2880 and
// 2560 x 1600 pictures at speed 0, beside the size of the largest picture at
// full size; the bound is that size plus 40 MB.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "BenchPhoto.h"
#include "imaging/JpegFile.h"
#include "platform/qt/QtCanvas.h"
#include "platform/script/ScriptUi.h"
#include "resource.h"
#include "viewer/CVantorView.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

void WritePhoto(const std::string& path, unsigned w, unsigned h, unsigned seed) {
    vantor::bench::WritePhoto(path, w, h, seed, 12);
}

using vantor::bench::TimeDjpeg;

using vantor::bench::Harness;

double TimeOneSlide(const std::string& file, int reps) {
    Harness h;
    // One untimed round first: fonts and the file's pages are loaded once per run.
    h.view.LoadJpegFile(file);
    h.Paint();
    const auto t0 = Clock::now();
    for (int r = 0; r < reps; ++r) {
        h.view.LoadJpegFile(file);
        h.Paint();
    }
    return Seconds(t0, Clock::now());
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The memory run, in a process of its own so that nothing else counts in its peak.
int MemoryShow(const std::vector<std::string>& files) {
    vantor::KeepPictureMemoryReturnable();  // as the program does at start-up
    Harness h;
    for (const auto& f : files) h.view.AppendSlide(f);
    h.view.m_speed = 0;
    h.view.OnCommand(vantor::ID_SLIDESHOW_START);
    std::printf("%ld\n", PeakKilobytes());
    return 0;
}

long SpawnMemoryShow(const char* self, const std::vector<std::string>& files) {
    std::vector<const char*> argv{self, "--memory"};
    for (const auto& f : files) argv.push_back(f.c_str());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, self, &actions, nullptr, const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) return -1;
    char buf[64] = {};
    const ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return n > 0 ? std::atol(buf) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qargc = 1;
    QGuiApplication app(qargc, argv);
    if (argc > 1 && std::string(argv[1]) == "--memory") {
        std::ostringstream sink;
        vantor::ScriptUi quiet(sink);
        vantor::ScopedUi scope(quiet);
        return MemoryShow(std::vector<std::string>(argv + 2, argv + argc));
    }
    const std::filesystem::path folder = argc > 1 ? argv[1] : "build/bench-pictures";
    const int slides = argc > 2 ? std::atoi(argv[2]) : 300;
    std::filesystem::create_directories(folder);

    std::ostringstream sink;
    vantor::ScriptUi quiet(sink);
    vantor::ScopedUi scope(quiet);
    const std::string hd = (folder / "hd.jpg").string(), big = (folder / "big.jpg").string();
    if (!std::filesystem::exists(hd)) WritePhoto(hd, 1920, 1080, 1);
    if (!std::filesystem::exists(big)) WritePhoto(big, 6000, 4000, 2);
    std::vector<std::string> show;
    for (int i = 0; i < slides; ++i) {
        const std::string f = (folder / ("show" + std::to_string(i) + ".jpg")).string();
        if (!std::filesystem::exists(f)) WritePhoto(f, 1920, 1080, 10 + static_cast<unsigned>(i));
        show.push_back(f);
    }

    std::printf("%-40s %12s %12s %8s %8s\n", "case", "ours (s)", "djpeg (s)", "ratio", "target");
    for (const auto& [name, file, reps] :
         {std::tuple{"one slide 1920x1080", hd, 20}, std::tuple{"one slide 6000x4000", big, 6}}) {
        TimeDjpeg({file}, 1);  // the same warm start for the peer
        const double peer = TimeDjpeg({file}, reps);
        const double ours = TimeOneSlide(file, reps);
        std::printf("%-40s %12.3f %12.3f %8.2f %8s\n", name, ours, peer, ours / peer, "<= 1.3");
    }

    const double peer = TimeDjpeg(show, 1);
    const double peerRate = slides / peer;
    // The show starts with slide 1 and ends after the last; slide k is shown once.
    for (const bool prefetch : {false, true}) {
        Harness h;
        for (const auto& f : show) h.view.AppendSlide(f);
        h.view.m_speed = 0;
        h.view.m_prefetchSlides = prefetch;
        const auto t0 = Clock::now();
        h.view.OnCommand(vantor::ID_SLIDESHOW_START);
        const double ours = Seconds(t0, Clock::now());
        const double showRate = slides / ours;
        std::printf("%-40s %12.3f %12.3f %8.2f %8s\n",
                    prefetch ? "show 1920x1080, decoded ahead" : "show 1920x1080, one thread", ours, peer,
                    showRate / peerRate, prefetch ? ">= 1.8" : ">= 0.8");
        std::printf("show: %.1f slides/s, djpeg: %.1f files/s, %llu slides decoded ahead\n", showRate, peerRate,
                    static_cast<unsigned long long>(h.view.m_buf.Ahead().HandedOver()));
    }

    // Memory: a show over big photos of two sizes, in a process of its own.
    std::vector<std::string> photos;
    for (int i = 0; i < 12; ++i) {
        const bool large = i % 3 != 1;
        const std::string f = (folder / ((large ? "m5k" : "m2k") + std::to_string(i) + ".jpg")).string();
        if (!std::filesystem::exists(f)) WritePhoto(f, large ? 5120 : 2560, large ? 2880 : 1600, 100 + i);
        photos.push_back(f);
    }
    // Progressive files hold every coefficient of the picture while they decode.
    for (int i : {0, 5}) {
        const std::string f = (folder / ("p5k" + std::to_string(i) + ".jpg")).string();
        if (!std::filesystem::exists(f)) {
            const char* jt[] = {"jpegtran", "-progressive", "-outfile", f.c_str(), photos[i].c_str(), nullptr};
            pid_t pid = 0;
            int status = 0;
            if (posix_spawnp(&pid, "jpegtran", nullptr, nullptr, const_cast<char**>(jt), environ) == 0)
                waitpid(pid, &status, 0);
        }
        if (std::filesystem::exists(f)) photos.push_back(f);
    }
    const double largestMb = 5120.0 * 2880 * 3 / (1024 * 1024);
    const long peakKb = SpawnMemoryShow(argv[0], photos);
    const double peakMb = peakKb / 1024.0;
    std::printf("%-40s %9.1f MB %9.1f MB %8.2f %8s\n", "show peak memory / largest picture", peakMb, largestMb,
                peakMb / largestMb, "<= 1x+40");
    std::printf("memory: peak %.1f MB, bound %.1f MB (the largest picture plus 40 MB): %s\n", peakMb, largestMb + 40,
                peakMb <= largestMb + 40 ? "within" : "OVER");
    return 0;
}
