// The orientation a camera records in a JPEG's Exif block (tag 0x0112), and the
// turn that shows a picture stored that way upright. Only this one value is read:
// libjpeg hands over the APP1 segment during the decode the picture needs anyway.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/RgbBuffer.h"

namespace vantor {

// 1 upright; 2 mirrored left to right; 3 turned half round; 4 mirrored top to
// bottom; 5 mirrored across the main diagonal; 6 to be turned a quarter clockwise;
// 7 mirrored across the other diagonal; 8 to be turned a quarter anticlockwise.
inline constexpr int kOrientationUpright = 1;

// The orientation an APP1 segment's payload ("Exif\0\0" and a TIFF block) gives;
// 1 for anything else, and for a block that is cut short or says nothing usable.
int ExifOrientation(const std::uint8_t* data, std::size_t size);

// Turns a display-order picture (bottom row first, width x height) that was stored
// with the given orientation so that it stands upright; orientations 5 to 8
// exchange width and height. False, with everything unchanged, when the memory
// for the turned picture is not there. Orientation 1 or any unknown value
// changes nothing.
bool TurnUpright(RgbBuffer& pixels, std::uint32_t& width, std::uint32_t& height, int orientation);

// The same turn from one block into another: stored is width x height, upright
// receives the turned picture (height x width for orientations 5 to 8). For
// orientation 1 or an unknown value it is a plain copy.
void TurnInto(const std::uint8_t* stored, std::uint32_t width, std::uint32_t height, int orientation,
              std::uint8_t* upright);

}  // namespace vantor
