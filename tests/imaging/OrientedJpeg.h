// A JPEG as a phone camera leaves it: the picture stored one way, and an Exif
// block saying how it is to be turned to stand upright.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "imaging/JpegFile.h"

namespace vantor::test {

// The stored picture: four flat quadrants, red | green above blue | white, each
// a whole number of 16-pixel blocks so that their colours survive the encoding.
inline std::vector<std::uint8_t> Quadrants(unsigned w, unsigned h) {
    std::vector<std::uint8_t> p(std::size_t{w} * h * 3);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            const bool right = x >= w / 2, lower = y >= h / 2;
            const std::uint8_t r = !lower ? (right ? 0 : 255) : (right ? 255 : 0);
            const std::uint8_t g = !lower ? (right ? 255 : 0) : (right ? 255 : 0);
            const std::uint8_t b = !lower ? 0 : 255;
            std::uint8_t* q = &p[(std::size_t{y} * w + x) * 3];
            q[0] = r, q[1] = g, q[2] = b;
        }
    }
    return p;
}

// Writes the quadrants as a JPEG with an APP1 Exif block (big-endian TIFF, one
// entry) recording orientation; 0 writes no Exif block at all.
inline void WriteOrientedJpeg(const std::string& path, unsigned w, unsigned h, int orientation) {
    const auto pixels = Quadrants(w, h);
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, pixels.data(), w, h, true, 95));
    if (orientation == 0) return;
    auto jpeg = ReadFile(path);
    const std::vector<unsigned char> exif = {
        'E',  'x',  'i', 'f', 0, 0, 'M', 'M', 0, 42,
        0,    0,    0,   8,  // TIFF header, IFD0 at 8
        0,    1,             // one entry
        0x01, 0x12, 0,   3,   0, 0, 0,   1,   0, static_cast<unsigned char>(orientation),
        0,    0,    0,   0,   0, 0};  // no next IFD
    std::vector<unsigned char> app1 = {0xFF, 0xE1, 0, static_cast<unsigned char>(exif.size() + 2)};
    app1.insert(app1.end(), exif.begin(), exif.end());
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());  // right after the start of image
    WriteFile(path, jpeg);
}

// The colours at the upright picture's corners: top left, top right, bottom left,
// bottom right (1 red, 2 green, 3 blue, 4 white).
struct Corners {
    int topLeft, topRight, bottomLeft, bottomRight;
    friend bool operator==(const Corners&, const Corners&) = default;
};
inline std::ostream& operator<<(std::ostream& os, const Corners& c) {
    return os << c.topLeft << c.topRight << "/" << c.bottomLeft << c.bottomRight;
}

// Which quadrant colour red, green, blue (in any order of bytes) is nearest; 0 for none.
inline int ColourOf(int r, int g, int b) {
    const int colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int i = 0; i < 4; ++i) {
        if (std::abs(r - colours[i][0]) < 48 && std::abs(g - colours[i][1]) < 48 && std::abs(b - colours[i][2]) < 48)
            return i + 1;
    }
    return 0;
}

// The corners of a display-order picture (bottom row first, blue green red), or
// of the part of it at (x, y) from the top left of w x h, each read a quarter of
// the way in from the sides.
inline Corners CornersOfDisplay(const std::uint8_t* pixels, unsigned width, unsigned height, unsigned x = 0,
                                unsigned y = 0, unsigned w = 0, unsigned h = 0) {
    if (w == 0) w = width, h = height;
    const auto at = [&](unsigned column, unsigned topRow) {
        const std::uint8_t* q = pixels + (std::size_t{height - 1 - topRow} * width + column) * 3;
        return ColourOf(q[2], q[1], q[0]);
    };
    const unsigned l = x + w / 4, r = x + w - 1 - w / 4, t = y + h / 4, b = y + h - 1 - h / 4;
    return {at(l, t), at(r, t), at(l, b), at(r, b)};
}

}  // namespace vantor::test
