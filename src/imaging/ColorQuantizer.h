// Octree colour quantisation with serpentine error diffusion: reduces a 24-bit
// picture to at most 256 colours and maps every pixel to a palette index.
#pragma once

#include <cstdint>

namespace vantor {

class ColorQuantizer {
public:
    // Quantises width x height pixels of three bytes (channels 0, 1, 2 as they stand
    // in the buffer, rows without padding) into one palette index a pixel, in the same
    // pixel order. colorCount is 1 to 256. The palette comes out as three planes of
    // 256 bytes (channel 0, then 1, then 2); entries beyond the colours found stay 0.
    // paletteLength, when given, receives the number of colours found.
    // Fails only when a work area cannot be allocated; every work area is released
    // before returning, on every path.
    static bool QuantizeImage(const std::uint8_t* source, std::uint8_t* destination, unsigned width, unsigned height,
                              unsigned colorCount, std::uint8_t* paletteOut, unsigned* paletteLength = nullptr);
};

}  // namespace vantor
