// The batch write's output picture, composed straight into an RGB buffer: the
// background of the frame and the picture stretched smoothly onto its place.
#pragma once

#include <cstdint>

#include "imaging/RgbBuffer.h"

namespace vantor {

// Stretches a picture of sw x sh pixels (3 bytes a pixel, rows back to back, any
// byte order) onto dw x dh pixels whose rows start at dst, dstStride bytes apart.
// A tent filter as wide as the reduction: an average when shrinking, a linear
// blend when enlarging, the pixels themselves at the same size.
void StretchSmooth(const std::uint8_t* src, std::uint32_t sw, std::uint32_t sh, std::uint8_t* dst,
                   std::size_t dstStride, std::uint32_t dw, std::uint32_t dh);

// The background of the written frame by the output colour setting: 0 white,
// 1 gray, 2 black, anything else gray.
struct FrameColor {
    std::uint8_t r, g, b;
};
FrameColor OutputBackground(std::int32_t outBackColor);

// Composes a frame of fw x fh pixels in display order (bottom row first, blue
// green red) into frame: the background, with the picture (display order,
// sw x sh) stretched to the rectangle at (x, y) from the top-left corner of w x h.
void ComposeFrame(const std::uint8_t* src, std::uint32_t sw, std::uint32_t sh, std::uint8_t* frame, std::uint32_t fw,
                  std::uint32_t fh, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h,
                  FrameColor background);

}  // namespace vantor
