// Writes small uncompressed 24-bit BMP files byte by byte, for the show tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace vantor::test {

// A width x height 24-bit BMP (14-byte file header, 40-byte information header,
// bottom row first, blue green red, rows padded to four bytes) filled with one colour.
inline std::vector<unsigned char> Bmp24(std::uint32_t width, std::uint32_t height, unsigned char red = 200,
                                        unsigned char green = 100, unsigned char blue = 50) {
    const std::uint32_t row = ((width * 24 + 31) / 32) * 4;
    const std::uint32_t image = row * height;
    std::vector<unsigned char> b;
    auto u16 = [&b](std::uint32_t v) {
        b.push_back(static_cast<unsigned char>(v & 0xFF));
        b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    b.push_back('B');
    b.push_back('M');
    u32(54 + image);  // file size
    u32(0);           // reserved
    u32(54);          // pixel offset
    u32(40);          // information header size
    u32(width);
    u32(height);
    u16(1);   // planes
    u16(24);  // bits per pixel
    u32(0);   // no compression
    u32(image);
    u32(2835);
    u32(2835);
    u32(0);  // colours used
    u32(0);  // important colours
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            b.push_back(blue);
            b.push_back(green);
            b.push_back(red);
        }
        for (std::uint32_t p = width * 3; p < row; ++p) b.push_back(0);
    }
    return b;
}

// Writes count BMP files named s1.bmp, s2.bmp ... into dir and returns their paths.
inline std::vector<std::string> WriteBmpSlides(const TempDir& dir, unsigned count) {
    std::vector<std::string> paths;
    for (unsigned i = 1; i <= count; ++i) {
        const std::string path = dir.File("s" + std::to_string(i) + ".bmp");
        WriteFile(path, Bmp24(2 + i, 2, static_cast<unsigned char>(i * 20)));
        paths.push_back(path);
    }
    return paths;
}

}  // namespace vantor::test
