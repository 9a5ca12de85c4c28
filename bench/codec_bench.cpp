// Times the codecs against a peer doing the same job in the same run, and prints
// the ratios:
//   JpegFile::LoadToRgb of a large photo-like JPEG  vs  djpeg decoding that file;
//   BmpCodec::Load of a 6000 x 4000 24-bit BMP      vs  one read of the file.
// Runs alternate between the two sides; the median of each is compared.
// Usage: codec_bench [WORK_DIR] [RUNS]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"
#include "platform/script/ScriptUi.h"

namespace {

using namespace vantor;

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Smooth shapes, edges and a little grain, so the JPEG codes like a photo.
std::vector<std::uint8_t> PhotoLike(unsigned width, unsigned height) {
    std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
    std::uint32_t seed = 12345;
    std::uint8_t* p = rgb.data();
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 28) - 8;
            const double fx = x / 300.0, fy = y / 250.0;
            const double shade = 128 + 80 * std::sin(fx) * std::cos(fy * 1.3) + ((x / 400 + y / 300) % 2 ? 30 : -30);
            auto clamp = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); };
            p[0] = clamp(shade + grain + 40 * std::sin(fy * 0.7));
            p[1] = clamp(shade * 0.8 + grain + 20);
            p[2] = clamp(255 - shade + grain);
        }
    }
    return rgb;
}

struct Pair {
    const char* name;
    std::function<void()> ours;
    const char* peerName;
    std::function<void()> peer;
    double target;
};

void Run(const Pair& pair, int runs) {
    std::vector<double> ours, peer;
    pair.ours();  // warm the page cache and the allocator
    pair.peer();
    for (int i = 0; i < runs; ++i) {
        ours.push_back(Seconds(pair.ours));
        peer.push_back(Seconds(pair.peer));
    }
    const double o = Median(ours), q = Median(peer);
    std::printf("%-34s %8.1f ms   %-28s %8.1f ms   ratio %.2f (target <= %.1f)\n", pair.name, o * 1e3, pair.peerName,
                q * 1e3, o / q, pair.target);
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "vantor-bench";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    std::filesystem::create_directories(dir);
    std::ostringstream transcript;
    ScriptUi ui(transcript);
    SetTheUi(&ui);

    const unsigned width = 6000, height = 4000;
    const std::string jpeg = (dir / "photo.jpg").string();
    const std::string bmp = (dir / "photo.bmp").string();
    if (!std::filesystem::exists(jpeg) || !std::filesystem::exists(bmp)) {
        std::vector<std::uint8_t> rgb = PhotoLike(width, height);
        if (!JpegFile::SaveFromRgb(jpeg, rgb.data(), width, height, true, 90)) return 1;
        SwapRedBlue(rgb.data(), width, height);
        FlipRows(rgb.data(), width * 3, height);
        if (!BmpCodec().SaveRgb(bmp, rgb.data(), width, height).empty()) return 1;
    }
    std::printf("%u x %u pixels, JPEG %ju bytes, BMP %ju bytes, median of %d runs\n", width, height,
                static_cast<std::uintmax_t>(std::filesystem::file_size(jpeg)),
                static_cast<std::uintmax_t>(std::filesystem::file_size(bmp)), runs);

    const std::string djpeg = "djpeg -outfile /dev/null '" + jpeg + "'";
    const Pair jpegPair{"JpegFile::LoadToRgb",
                        [&] {
                            std::uint32_t w = 0, h = 0;
                            RgbBuffer pixels;
                            if (!JpegFile::LoadToRgb(jpeg, pixels, w, h).Ok()) std::exit(1);
                        },
                        "djpeg (whole process)",
                        [&] {
                            if (std::system(djpeg.c_str()) != 0) std::exit(1);
                        },
                        1.1};
    const Pair bmpPair{"BmpCodec::Load",
                       [&] {
                           BmpCodec codec;
                           RgbBuffer pixels;
                           std::uint32_t w = 0, h = 0;
                           if (!codec.Load(bmp, pixels, w, h).Ok()) std::exit(1);
                       },
                       "one read of the file",
                       [&] {
                           std::FILE* f = std::fopen(bmp.c_str(), "rb");
                           const auto size = std::filesystem::file_size(bmp);
                           auto bytes = AllocBytes(size);
                           const bool ok = f != nullptr && bytes && std::fread(bytes.get(), 1, size, f) == size;
                           if (f != nullptr) std::fclose(f);
                           if (!ok) std::exit(1);
                       },
                       3.0};
    Run(jpegPair, runs);
    Run(bmpPair, runs);
    return 0;
}
