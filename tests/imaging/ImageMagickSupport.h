// Pictures as ImageMagick decodes them, for tests that hold a decode, a show or
// a write against it: 8-bit red green blue, top row first, transparent parts
// flattened on a background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/BmpTestSupport.h"

namespace vantor::test {

struct RgbPicture {
    std::uint32_t width = 0, height = 0;
    Bytes pixels;
};

// ImageMagick's decode of a file's first frame, on its page as -flatten puts it:
// red, green, blue and alpha samples of up to 16 bits (8 unless deep).
struct Samples {
    std::uint32_t width = 0, height = 0, maxval = 255;
    std::vector<std::uint32_t> rgba;
};
Samples ImageMagickSamples(const std::string& path, bool deep);

// The same flattened on background (red, green, blue) as out = a * c + (1 - a) * bg
// rounded, composed at 16 bits when deep. Empty when convert fails.
RgbPicture ImageMagickFlat(const std::string& path, const std::uint8_t background[3], bool deep = false);

// Pixels in display order (bottom row first, blue green red, rows back to back)
// in the same form.
RgbPicture FromDisplayOrder(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height);

// The largest difference of a sample and the peak signal-to-noise ratio; 0 dB
// for pictures of different sizes.
struct Difference {
    int largest = 0;
    double psnr = 0;
};
Difference Compare(const Bytes& a, const Bytes& b);

}  // namespace vantor::test
