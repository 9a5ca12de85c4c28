// The command line's batch write against its peers, in the same run:
//
//   write_bench [FOLDER] [RUNS]
//
// 60 photo-like 2448 x 1632 (4 MP) JPEGs (one in five progressive 4:4:4) into 800 x 600 gray frames at quality
// index 5 (75) with `vantor --write` (one job, and a job per core), against `vipsthumbnail --size 800x600`
// (one process over all files; it only resizes, it does not frame) and against
// ImageMagick `mogrify -resize 800x600 -background gray -gravity center -extent
// 800x600 -quality 75` (one process). Each is timed as the best of RUNS; the
// report gives the throughput ratios and the PSNR of our frames against frames
// ImageMagick builds from the same sources.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchPhoto.h"
#include "imaging/JpegFile.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPhotos = 60;
constexpr unsigned kWidth = 2448, kHeight = 1632;

void WritePhoto(const std::string& path, unsigned w, unsigned h, unsigned seed) {
    vantor::bench::WritePhoto(path, w, h, seed, 10);
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

double TimeCommand(const std::string& command, const std::string& cleanFolder, int runs) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        fs::remove_all(cleanFolder);
        fs::create_directories(cleanFolder);
        const auto t0 = Clock::now();
        const int status = std::system(command.c_str());
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (status != 0) {
            std::cerr << "failed (" << status << "): " << command << "\n";
            std::exit(1);
        }
        best = std::min(best, s);
    }
    return best;
}

std::string Capture(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[256];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
        ::pclose(pipe);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? argv[1] : fs::temp_directory_path() / "vantor-write-bench";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const fs::path in = root / "in";
    fs::create_directories(in);
    std::vector<std::string> files;
    std::string list;
    for (int i = 0; i < kPhotos; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%02d.jpg", i);
        const std::string path = (in / name).string();
        // One in five as a camera saves at its best: progressive 4:4:4.
        if (!fs::exists(path)) {
            if (i % 5 == 2) {
                vantor::bench::WriteProgressive444(path, kWidth, kHeight, static_cast<unsigned>(i + 1));
            } else {
                WritePhoto(path, kWidth, kHeight, static_cast<unsigned>(i + 1));
            }
        }
        files.push_back(path);
        list += " " + Quote(path);
    }

    const std::string ours = (root / "vantor").string();
    const std::string vips = (root / "vips").string();
    const std::string magick = (root / "magick").string();
    const double tOurs = TimeCommand(std::string(VANTOR_BINARY) + " --write " + Quote(ours) + " --frame 800x600 " +
                                         "--background gray --quality 5 " + Quote(in.string()) + " >/dev/null",
                                     ours, runs);
    // The same write with a job per core (the names and bytes are those of one job).
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::string oursJobs = (root / "vantor-jobs").string();
    const double tJobs = TimeCommand(std::string(VANTOR_BINARY) + " --write " + Quote(oursJobs) +
                                         " --frame 800x600 --background gray --quality 5 --jobs " +
                                         std::to_string(cores) + " " + Quote(in.string()) + " >/dev/null",
                                     oursJobs, runs);
    const double tVips =
        TimeCommand("vipsthumbnail --size 800x600 -o " + Quote(vips + "/%s.jpg[Q=75]") + list, vips, runs);
    const double tMagick =
        TimeCommand("mogrify -path " + Quote(magick) +
                        " -resize 800x600 -background gray -gravity center -extent 800x600 -quality 75" + list,
                    magick, runs);

    // Our frames against ImageMagick's from the same sources (gray 200 around).
    double worst = 1e9, sum = 0;
    int checked = 0;
    for (int i = 0; i < kPhotos; i += 12) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%02d", i);
        const std::string ref = (root / "ref.png").string();
        std::system(("convert " + Quote(files[static_cast<std::size_t>(i)]) +
                     " -resize 800x600 -background 'rgb(200,200,200)' -gravity center -extent 800x600 " + Quote(ref))
                        .c_str());
        const double psnr = std::atof(
            Capture("compare -metric PSNR " + Quote(ours + "/" + name + ".JPG") + " " + Quote(ref) + " null: 2>&1")
                .c_str());
        worst = std::min(worst, psnr);
        sum += psnr;
        ++checked;
    }

    std::printf("batch write of %d %ux%u JPEGs into 800x600 frames, best of %d runs\n", kPhotos, kWidth, kHeight, runs);
    std::printf("  vantor --write   %7.3f s  %6.1f pictures/s\n", tOurs, kPhotos / tOurs);
    std::printf("  vipsthumbnail    %7.3f s  %6.1f pictures/s   vantor is %.2f x as fast (target 3)\n", tVips,
                kPhotos / tVips, tVips / tOurs);
    std::printf("  vantor --jobs %-2u %7.3f s  %6.1f pictures/s   %.2f x vipsthumbnail\n", cores, tJobs,
                kPhotos / tJobs, tVips / tJobs);
    std::printf("  mogrify          %7.3f s  %6.1f pictures/s   vantor is %.2f x as fast (target 5)\n", tMagick,
                kPhotos / tMagick, tMagick / tOurs);
    std::printf("  PSNR against ImageMagick's frame: mean %.2f dB, lowest %.2f dB over %d pictures\n", sum / checked,
                worst, checked);
    return 0;
}
