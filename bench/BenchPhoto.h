// The photo-like pictures the benchmarks decode (smooth shapes with fine noise,
// so the JPEG has real detail), and the peer they are measured against: a
// djpeg loop over the same files.
#pragma once

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>  // environ

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "imaging/JpegFile.h"

namespace vantor::bench {

inline void WritePhoto(const std::string& path, unsigned w, unsigned h, unsigned seed, int noiseAmplitude) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-noiseAmplitude, noiseAmplitude);
    const double a = 0.002 + (seed % 7) * 0.0007, b = 0.003 + (seed % 5) * 0.0005;
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
            const double v = std::sin(x * a + seed) * std::cos(y * b) + std::sin((x + y) * 0.0011);
            for (int c = 0; c < 3; ++c) {
                const int value = static_cast<int>(128 + 60 * v + 40 * std::sin(c * 2.1 + x * 0.004)) + noise(rng);
                p[c] = static_cast<unsigned char>(std::clamp(value, 0, 255));
            }
        }
    }
    JpegFile::SaveFromRgb(path, rgb.data(), w, h, true, 90);
}

// Decodes each file with djpeg into /dev/null, reps times over; the seconds taken.
inline double TimeDjpeg(const std::vector<std::string>& files, int reps) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < reps; ++r) {
        for (const auto& f : files) {
            const char* argv[] = {"djpeg", "-outfile", "/dev/null", f.c_str(), nullptr};
            pid_t pid = 0;
            int status = -1;
            if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char**>(argv), environ) == 0)
                waitpid(pid, &status, 0);
            if (status != 0) {
                std::fprintf(stderr, "djpeg failed on %s\n", f.c_str());
                std::exit(1);
            }
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Runs a shell command line; false when it did not end well.
inline bool Shell(const std::string& line) {
    const char* argv[] = {"sh", "-c", line.c_str(), nullptr};
    pid_t pid = 0;
    int status = -1;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
    waitpid(pid, &status, 0);
    return status == 0;
}

// A photo as a camera or an editor saves it at its best: progressive, with full
// colour resolution (4:4:4). libjpeg holds every coefficient of such a file while
// it decodes, at whatever scale.
inline void WriteProgressive444(const std::string& path, unsigned w, unsigned h, unsigned seed) {
    const std::string base = path + ".base.jpg";
    WritePhoto(base, w, h, seed, 12);
    if (!Shell("djpeg -pnm '" + base + "' | cjpeg -sample 1x1 -progressive -quality 92 -outfile '" + path + "'")) {
        std::fprintf(stderr, "cjpeg failed for %s\n", path.c_str());
        std::exit(1);
    }
    std::remove(base.c_str());
}

// The largest resident size djpeg reaches decoding any one of files, in kB.
inline long DjpegPeakKilobytes(const std::vector<std::string>& files) {
    long peak = 0;
    for (const auto& f : files) {
        const char* argv[] = {"djpeg", "-outfile", "/dev/null", f.c_str(), nullptr};
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) continue;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        peak = std::max(peak, usage.ru_maxrss);
    }
    return peak;
}

}  // namespace vantor::bench
