// PNG and HEIC against their peers on the same files, in the same run:
//
//   formats_bench [FOLDER] [RUNS]
//
// The show: a slide show at speed 0 over 24 photo-like 1920 x 1080 PNGs, the
// window-sized paint included, against feh showing the same files one after
// another (--on-last-slide quit, no delay) under xvfb-run, whose start alone is timed
// and taken off. The write: `vantor --write` of 24 2448 x 1632 PNGs, and of the
// same as HEICs, into 800 x 600 frames, against `vipsthumbnail --size 800x600`
// over the same files (it only resizes, it does not frame). Each is the best of
// RUNS; the report gives the ratios (above 1: vantor is faster).
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "BenchPhoto.h"
#include "resource.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPictures = 24;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

double Best(int runs, const auto& once) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        if (!once()) return -1;
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

// kPictures photos of w x h as files of the given ending, made from JPEGs once.
std::vector<std::string> Pictures(const fs::path& folder, unsigned w, unsigned h, const char* ending) {
    fs::create_directories(folder);
    std::vector<std::string> files;
    for (int i = 0; i < kPictures; ++i) {
        const std::string stem = (folder / ("photo" + std::to_string(i))).string();
        const std::string path = stem + ending;
        if (!fs::exists(path)) {
            vantor::bench::WritePhoto(stem + ".jpg", w, h, static_cast<unsigned>(i + 1), 10);
            if (!Run("convert " + Quote(stem + ".jpg") + " -quality 80 " + Quote(path))) std::exit(1);
            fs::remove(stem + ".jpg");
        }
        files.push_back(path);
    }
    return files;
}

std::string List(const std::vector<std::string>& files) {
    std::string list;
    for (const auto& f : files) list += " " + Quote(f);
    return list;
}

void Line(const char* what, double ours, double peer, const char* peerName) {
    if (peer < 0)
        std::printf("%-28s %8.3f s   %s not run\n", what, ours, peerName);
    else
        std::printf("%-28s %8.3f s   %s %8.3f s   ratio %.2f\n", what, ours, peerName, peer, peer / ours);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qargc = 1;
    QGuiApplication app(qargc, argv);
    const fs::path root = argc > 1 ? argv[1] : fs::temp_directory_path() / "vantor-formats-bench";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    // The show.
    const std::vector<std::string> shown = Pictures(root / "show", 1920, 1080, ".png");
    const double ours = Best(runs, [&] {
        vantor::bench::Harness h;
        for (const auto& f : shown) h.view.AppendSlide(f);
        h.view.m_speed = 0;
        h.view.OnCommand(vantor::ID_SLIDESHOW_START);
        return true;
    });
    double feh = -1;
    if (Run("command -v feh >/dev/null && command -v xvfb-run >/dev/null")) {
        const double start = Best(runs, [] { return Run("xvfb-run -a true"); });
        feh = Best(runs,
                   [&] {
                       return Run("xvfb-run -a feh --on-last-slide quit --slideshow-delay 0.001 --geometry 1000x700" +
                                  List(shown) + " >/dev/null 2>&1");
                   }) -
              start;
    }
    std::printf("%d pictures each, best of %d runs; ratio = peer time / vantor time\n", kPictures, runs);
    Line("show of 1920x1080 PNGs", ours, feh, "feh");

    // The write.
    for (const char* ending : {".png", ".heic"}) {
        const std::vector<std::string> files = Pictures(root / (ending + 1), 2448, 1632, ending);
        const std::string out = (root / "out").string(), vips = (root / "vips").string();
        const auto clean = [](const std::string& folder) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        };
        const double write = Best(runs, [&] {
            clean(out);
            return Run(std::string(VANTOR_BINARY) + " --write " + Quote(out) + " --frame 800x600" + List(files) +
                       " >/dev/null");
        });
        const double thumb = Best(runs, [&] {
            clean(vips);
            return Run("vipsthumbnail --size 800x600 -o " + Quote(vips + "/%s.jpg[Q=75]") + List(files));
        });
        Line(ending[1] == 'p' ? "write of 2448x1632 PNGs" : "write of 2448x1632 HEICs", write, thumb, "vipsthumbnail");
    }
    return 0;
}
