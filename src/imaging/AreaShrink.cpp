#include "imaging/AreaShrink.h"

#include <new>

namespace vantor {

ShrunkPicture ShrinkPicture(const std::uint8_t* bits, std::size_t rowBytes, std::uint32_t sw, std::uint32_t sh,
                            std::uint32_t width, std::uint32_t height) {
    ShrunkPicture shrunk;
    if (bits == nullptr || width == 0 || height == 0 || width > sw || height > sh) return shrunk;
    shrunk.pixels.reset(new (std::nothrow) std::uint32_t[std::size_t{width} * height]);
    if (!shrunk.pixels) return shrunk;
    shrunk.width = width;
    shrunk.height = height;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    const AreaTaps across(static_cast<int>(sw), w), down(static_cast<int>(sh), h);
    std::uint32_t* out = shrunk.pixels.get();
    // Stored row y (counted from the bottom) is row h-1-y from the top.
    AreaShrinkRows(bits, rowBytes, static_cast<int>(sw), w, across, down, 0, h,
                   [=](int y) { return out + static_cast<std::size_t>(h - 1 - y) * width; });
    return shrunk;
}

}  // namespace vantor
