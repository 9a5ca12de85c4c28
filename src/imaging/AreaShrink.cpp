#include "imaging/AreaShrink.h"

#include <thread>

namespace vantor {

namespace {

void ShrinkBand(const std::uint8_t* bits, std::size_t rowBytes, std::uint32_t sw, std::uint32_t sh, std::uint32_t width,
                std::uint32_t height, std::uint8_t* out, std::size_t outRowBytes, int firstRow, int endRow) {
    std::vector<std::uint32_t> words(width);
    for (int y = firstRow; y < endRow; ++y) {
        AreaShrinkRows(bits, rowBytes, static_cast<int>(sw), static_cast<int>(sh), static_cast<int>(width),
                       static_cast<int>(height), y, y + 1, [&](int) { return words.data(); });
        std::uint8_t* row = out + static_cast<std::size_t>(y) * outRowBytes;
        for (std::uint32_t x = 0; x < width; ++x, row += 3) {
            row[0] = static_cast<std::uint8_t>(words[x]);
            row[1] = static_cast<std::uint8_t>(words[x] >> 8);
            row[2] = static_cast<std::uint8_t>(words[x] >> 16);
        }
    }
}

}  // namespace

RgbBuffer AreaShrinkPicture(const std::uint8_t* bits, std::size_t rowBytes, std::uint32_t sw, std::uint32_t sh,
                            std::uint32_t width, std::uint32_t height) {
    if (bits == nullptr || width == 0 || height == 0 || width > sw || height > sh) return nullptr;
    const std::size_t outRowBytes = PaddedRowLength(width);
    RgbBuffer out = AllocBytes(static_cast<std::uint64_t>(outRowBytes) * height);
    if (!out) return nullptr;
    const int h = static_cast<int>(height);
    // A big picture is shared out between two threads, by destination rows.
    if (static_cast<std::uint64_t>(sw) * sh >= 1'000'000 && h >= 2) {
        std::thread lower(ShrinkBand, bits, rowBytes, sw, sh, width, height, out.get(), outRowBytes, 0, h / 2);
        ShrinkBand(bits, rowBytes, sw, sh, width, height, out.get(), outRowBytes, h / 2, h);
        lower.join();
    } else {
        ShrinkBand(bits, rowBytes, sw, sh, width, height, out.get(), outRowBytes, 0, h);
    }
    return out;
}

}  // namespace vantor
