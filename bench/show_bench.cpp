// Loading and painting slides against libjpeg-turbo's own `djpeg` decoding the
// same files, measured in the same run and reported as ratios.
//
//   show_bench [FOLDER] [SLIDES]
//   show_bench --memory FILE...   (run by the above: one show, then its peak)
//   show_bench --djpeg-peak FILE...   (run by the above: djpeg's peak over the files)
//
// One slide: LoadJpegFile, fit and a paint into a view-sized image, for a
// 1920 x 1080 and a 6000 x 4000 picture, against djpeg of the same file.
// The show: a slide show at speed 0 over SLIDES (300) 1920 x 1080 pictures,
// window-sized paint included, against djpeg decoding the same files one
// after another; once on one thread, once with the next slides decoded ahead.
// The windowed show over photos: 5120 x 2880 baseline and progressive 4:4:4,
// 3840 x 2160 progressive and 2560 x 1600 pictures at speed 0 in the 1000 x 700
// window, against djpeg decoding each whole, with the CPUs busy on average.
// Memory: the peak resident size of a process that runs that show, beside the
// peak of djpeg on the costliest of the files; the bound is that plus 40 MB.
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

// The process's own peak resident size (VmHWM): unlike getrusage's, it does not
// take in the spawning process's peak, which a process started by posix_spawn
// inherits at its exec.
long PeakKilobytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    }
    std::fclose(status);
    return kb;
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

// Runs this program with mode and files, for the number it prints.
long SpawnMemoryRun(const char* self, const char* mode, const std::vector<std::string>& files) {
    std::vector<const char*> argv{self, mode};
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
    // djpeg's peak, spawned from a process still small: a spawned process's
    // getrusage peak is at least the spawner's.
    if (argc > 1 && std::string(argv[1]) == "--djpeg-peak") {
        std::printf("%ld\n", vantor::bench::DjpegPeakKilobytes(std::vector<std::string>(argv + 2, argv + argc)));
        return 0;
    }
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

    // The windowed show over what a folder of photos holds: big baseline ones,
    // big progressive 4:4:4 ones (each holds all its coefficients while it decodes,
    // at any scale) and smaller ones, against djpeg decoding each whole.
    std::vector<std::string> photos;
    for (int i = 0; i < 14; ++i) {
        // 5K baseline, 5K progressive 4:4:4, 2.5K baseline, 4K progressive 4:2:0: one in
        // five progressive, as in a folder of wallpapers.
        const int kind = i == 3 || i == 10 ? 1 : i == 7 ? 3 : i % 2 == 0 ? 0 : 2;
        const char* names[] = {"b5k", "p5k444-", "b2k", "p4k"};
        const std::string f = (folder / (names[kind] + std::to_string(i) + ".jpg")).string();
        if (!std::filesystem::exists(f)) {
            const auto seed = 100 + static_cast<unsigned>(i);
            if (kind == 0) WritePhoto(f, 5120, 2880, seed);
            if (kind == 1) vantor::bench::WriteProgressive444(f, 5120, 2880, seed);
            if (kind == 2) WritePhoto(f, 2560, 1600, seed);
            if (kind == 3) {
                WritePhoto(f + ".base.jpg", 3840, 2160, seed);
                vantor::bench::Shell("jpegtran -progressive -outfile '" + f + "' '" + f + ".base.jpg'");
                std::filesystem::remove(f + ".base.jpg");
            }
        }
        photos.push_back(f);
    }
    {
        const double djpeg = TimeDjpeg(photos, 1);
        Harness h;
        for (const auto& f : photos) h.view.AppendSlide(f);
        h.view.m_speed = 0;
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        const auto t0 = Clock::now();
        h.view.OnCommand(vantor::ID_SLIDESHOW_START);
        const double ours = Seconds(t0, Clock::now());
        getrusage(RUSAGE_SELF, &after);
        const auto cpu = [](const rusage& u) {
            return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
        };
        std::printf("%-40s %12.3f %12.3f %8.2f %8s\n", "windowed show, photos incl. 4:4:4 progr.", ours, djpeg,
                    djpeg / ours, ">= 1.5");
        std::printf("windowed show: %.2f CPUs busy on average, %llu of %zu slides decoded ahead\n",
                    (cpu(after) - cpu(before)) / ours,
                    static_cast<unsigned long long>(h.view.m_buf.Ahead().HandedOver()), photos.size());
    }

    // Memory: the same show in a process of its own, against what djpeg itself
    // needs for the costliest of the photos.
    const double djpegMb = SpawnMemoryRun(argv[0], "--djpeg-peak", photos) / 1024.0;
    const long peakKb = SpawnMemoryRun(argv[0], "--memory", photos);
    const double peakMb = peakKb / 1024.0;
    std::printf("%-40s %9.1f MB %9.1f MB %8.2f %8s\n", "show peak memory / djpeg's peak", peakMb, djpegMb,
                peakMb / djpegMb, "<= 1x+40");
    std::printf("memory: peak %.1f MB, bound %.1f MB (djpeg's own peak on the costliest photo plus 40 MB): %s\n",
                peakMb, djpegMb + 40, peakMb <= djpegMb + 40 ? "within" : "OVER");
    return 0;
}
