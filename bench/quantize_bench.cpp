// Times ColorQuantizer on a 12-megapixel photo-like picture (256 colours, error
// diffusion) against ImageMagick doing the same job on the same picture in the
// same run:  convert in.ppm -dither FloydSteinberg -colors 256 out.ppm
// ImageMagick's time includes reading and writing the uncompressed PPM files;
// that share is measured too (a plain convert in.ppm out.ppm) and printed.
// Prints both times, their ratio and both PSNR values against the original.
// Usage: quantize_bench [WORK_DIR] [RUNS]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "imaging/ColorQuantizer.h"

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

// Smooth shading, hue changes across the picture, edges and grain: many colours.
std::vector<std::uint8_t> PhotoLike(unsigned width, unsigned height) {
    std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
    std::uint32_t seed = 987654321;
    std::uint8_t* p = rgb.data();
    auto clamp = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); };
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const double grain = static_cast<int>(seed >> 28) - 8;
            const double fx = x / 350.0, fy = y / 280.0;
            const double shade = 120 + 70 * std::sin(fx) * std::cos(fy * 1.3) + ((x / 500 + y / 400) % 2 ? 25 : -25);
            p[0] = clamp(shade + grain + 60 * std::sin(fy * 0.7 + fx * 0.2));
            p[1] = clamp(shade * 0.7 + grain + 50 * std::cos(fx * 0.5));
            p[2] = clamp(255 - shade + grain + 30 * std::sin(fx * 0.9 - fy * 0.4));
        }
    }
    return rgb;
}

bool WritePpm(const std::string& path, const std::vector<std::uint8_t>& rgb, unsigned w, unsigned h) {
    std::ofstream f(path, std::ios::binary);
    f << "P6\n" << w << " " << h << "\n255\n";
    f.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(f);
}

std::vector<std::uint8_t> ReadPpm(const std::string& path, unsigned w, unsigned h) {
    std::ifstream f(path, std::ios::binary);
    std::string magic;
    unsigned fw = 0, fh = 0, maxval = 0;
    f >> magic >> fw >> fh >> maxval;
    f.get();
    if (magic != "P6" || fw != w || fh != h || maxval != 255) return {};
    std::vector<std::uint8_t> rgb(std::size_t{w} * h * 3);
    f.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return f ? rgb : std::vector<std::uint8_t>{};
}

double Psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.size());
    return mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
}

int Run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "vantor-qbench";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::filesystem::create_directories(dir);
    const unsigned w = 4240, h = 2832;  // 12.0 megapixels
    const auto original = PhotoLike(w, h);
    const std::string in = (dir / "photo.ppm").string();
    const std::string out = (dir / "im.ppm").string();
    const std::string copy = (dir / "copy.ppm").string();
    if (!WritePpm(in, original, w, h)) {
        std::cerr << "cannot write " << in << "\n";
        return 1;
    }

    std::vector<std::uint8_t> indices(std::size_t{w} * h);
    std::uint8_t planes[768];
    std::vector<double> ours, theirs, io;
    bool ok = true;
    const std::string quantize = "convert '" + in + "' -dither FloydSteinberg -colors 256 '" + out + "'";
    const std::string plain = "convert '" + in + "' '" + copy + "'";
    for (int r = 0; r < runs; ++r) {
        ours.push_back(Seconds(
            [&] { ok = ok && ColorQuantizer::QuantizeImage(original.data(), indices.data(), w, h, 256, planes); }));
        theirs.push_back(Seconds([&] { ok = ok && Run(quantize) == 0; }));
        io.push_back(Seconds([&] { ok = ok && Run(plain) == 0; }));
    }
    if (!ok) {
        std::cerr << "a run failed\n";
        return 1;
    }

    std::vector<std::uint8_t> mapped(original.size());
    for (std::size_t i = 0; i < indices.size(); ++i) {
        for (int c = 0; c < 3; ++c) mapped[i * 3 + static_cast<std::size_t>(c)] = planes[c * 256 + indices[i]];
    }
    const auto im = ReadPpm(out, w, h);
    if (im.empty()) {
        std::cerr << "cannot read " << out << "\n";
        return 1;
    }
    const double tOurs = Median(ours), tTheirs = Median(theirs), tIo = Median(io);
    std::printf("quantize 12 MP to 256 colours, dithered (median of %d runs)\n", runs);
    std::printf("  ColorQuantizer      %8.3f s   PSNR %.2f dB\n", tOurs, Psnr(original, mapped));
    std::printf("  ImageMagick convert %8.3f s   PSNR %.2f dB   (of which reading/writing the PPM files: %.3f s)\n",
                tTheirs, Psnr(original, im), tIo);
    std::printf("  ratio ours/ImageMagick %.3f (target: at most 0.25)\n", tOurs / tTheirs);
    std::filesystem::remove_all(dir);
    return 0;
}
