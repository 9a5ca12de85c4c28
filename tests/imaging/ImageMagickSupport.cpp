#include "imaging/ImageMagickSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vantor::test {

Samples ImageMagickSamples(const std::string& path, bool deep) {
    Samples out;
    const std::string command = "/usr/bin/convert '" + path +
                                "[0]' -colorspace sRGB -background none -flatten -depth " + (deep ? "16" : "8") +
                                " pam:- 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    unsigned depth = 0;
    char line[100];
    while (std::fgets(line, sizeof line, pipe) != nullptr && std::strcmp(line, "ENDHDR\n") != 0) {
        std::sscanf(line, "WIDTH %u", &out.width);
        std::sscanf(line, "HEIGHT %u", &out.height);
        std::sscanf(line, "DEPTH %u", &depth);
        std::sscanf(line, "MAXVAL %u", &out.maxval);
    }
    const unsigned bytes = out.maxval > 255 ? 2 : 1;
    std::vector<std::uint8_t> sample(depth * bytes);
    while (depth > 0 && std::fread(sample.data(), 1, sample.size(), pipe) == sample.size()) {
        const auto at = [&](unsigned i) { return bytes == 2 ? (sample[2 * i] << 8) | sample[2 * i + 1] : sample[i]; };
        for (unsigned c = 0; c < 3; ++c) out.rgba.push_back(at(depth < 3 ? 0 : c));
        out.rgba.push_back(depth % 2 == 0 ? at(depth - 1) : out.maxval);
    }
    ::pclose(pipe);
    return out;
}

RgbPicture ImageMagickFlat(const std::string& path, const std::uint8_t background[3], bool deep) {
    const Samples s = ImageMagickSamples(path, deep);
    RgbPicture out{s.width, s.height, {}};
    for (std::size_t i = 0; i + 3 < s.rgba.size(); i += 4) {
        const std::uint32_t a = s.rgba[i + 3];
        for (unsigned c = 0; c < 3; ++c) {
            const std::uint32_t bg = background[c] * (s.maxval / 255);
            const std::uint32_t flat = (a * s.rgba[i + c] + (s.maxval - a) * bg + s.maxval / 2) / s.maxval;
            out.pixels.push_back(static_cast<std::uint8_t>((flat * 255 + s.maxval / 2) / s.maxval));
        }
    }
    return out;
}

RgbPicture FromDisplayOrder(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height) {
    RgbPicture out{width, height, {}};
    for (std::uint32_t y = height; y-- > 0;) {
        const std::uint8_t* row = pixels + std::size_t{y} * width * 3;
        for (std::uint32_t x = 0; x < width; ++x)
            out.pixels.insert(out.pixels.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    return out;
}

Difference Compare(const Bytes& a, const Bytes& b) {
    Difference d{0, INFINITY};
    if (a.size() != b.size()) return {255, 0};
    double squares = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int diff = std::abs(a[i] - b[i]);
        d.largest = std::max(d.largest, diff);
        squares += diff * diff;
    }
    if (squares > 0) d.psnr = 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / squares);
    return d;
}

}  // namespace vantor::test
