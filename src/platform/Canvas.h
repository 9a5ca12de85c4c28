// A drawing surface: the view paints through it, and so does the batch write's
// off-screen composition. Coordinates are device pixels, y down.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A 24-bit picture in the layout the stretch expects: display order (bottom row
// first, blue, green, red), rows padded to rowBytes. `key` names the pixels: the same
// key promises the same pixels, so a surface may keep a scaled copy between paints.
struct DibImage {
    const std::uint8_t* bits = nullptr;
    unsigned width = 0;
    unsigned height = 0;
    unsigned rowBytes = 0;
    std::uint64_t key = 0;
    // The whole picture already shrunk as the halftone stretch would shrink it,
    // when there is such a copy: shrunkWidth x shrunkHeight words 0xffRRGGBB, top
    // row first. A stretch of the whole picture to exactly that size draws it.
    const std::uint32_t* shrunk = nullptr;
    unsigned shrunkWidth = 0, shrunkHeight = 0;
};

enum class StretchMode {
    ColorOnColor,  // deletes eliminated lines: fast, blocky
    Halftone,      // averages: a smooth downscale
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // Fills [left, right) x [top, bottom).
    virtual void FillRect(const Rect& r, Rgb color) = 0;
    // Text (UTF-8) with its top-left corner at (x, y), transparent background.
    virtual void TextOut(int x, int y, const std::string& text, Rgb color) = 0;
    // The same on an opaque background the size of the text, as text drawn on a
    // client area without a background mode looks.
    virtual void TextOutOpaque(int x, int y, const std::string& text, Rgb color, Rgb background) {
        (void)background;
        TextOut(x, y, text, color);
    }
    // Stretches the source rectangle (in the picture's own top-down coordinates)
    // onto the destination rectangle.
    virtual void StretchImage(const Rect& dest, const DibImage& image, const Rect& source, StretchMode mode) = 0;
};

}  // namespace vantor
