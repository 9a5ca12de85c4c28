// The photo-like pictures the benchmarks decode: smooth shapes with fine noise,
// so the JPEG has real detail.
#pragma once

#include <algorithm>
#include <cmath>
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

}  // namespace vantor::bench
