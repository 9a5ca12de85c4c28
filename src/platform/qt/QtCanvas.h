// The Canvas on a QPainter, and the scaled-picture cache the view widget keeps
// between paints so that a big picture is scaled once per fit, not once per paint.
#pragma once

#include <QFont>
#include <QImage>
#include <cstddef>
#include <memory>

#include "platform/Canvas.h"

class QPainter;

namespace vantor {

// The Japanese-capable sans-serif font of the interface texts.
QFont JapaneseFont(int pixelSize);
// The font the canvas draws its texts in.
QFont CanvasFont();

// One scaled picture, top-down and exactly the destination size.
class ScaledImageCache {
public:
    const QImage& Get(const DibImage& image, const Rect& source, int width, int height, StretchMode mode);
    // Frees what it holds: a picture that came already shrunk needs none of it.
    void Clear() { *this = ScaledImageCache(); }

private:
    struct Key {
        std::uint64_t key = 0;
        const std::uint8_t* bits = nullptr;
        unsigned imageWidth = 0, imageHeight = 0, rowBytes = 0;
        Rect source;
        int width = 0, height = 0;
        StretchMode mode = StretchMode::ColorOnColor;
        friend bool operator==(const Key&, const Key&) = default;
    };
    Key m_key;
    QImage m_image;
    std::unique_ptr<uchar[]> m_pixels;  // what m_image is made in, when the canvas scales it itself
    std::size_t m_capacity = 0;
};

// The source rectangle of a picture scaled to width x height, top-down; made in
// reuse when it has that size and nothing else holds it.
QImage ScaleDibImage(const DibImage& image, const Rect& source, int width, int height, StretchMode mode,
                     QImage reuse = {});

class QtCanvas : public Canvas {
public:
    // Without a cache every stretch scales afresh (off-screen compositions).
    explicit QtCanvas(QPainter& painter, ScaledImageCache* cache = nullptr);

    void FillRect(const Rect& r, Rgb color) override;
    void TextOut(int x, int y, const std::string& text, Rgb color) override;
    void TextOutOpaque(int x, int y, const std::string& text, Rgb color, Rgb background) override;
    void StretchImage(const Rect& dest, const DibImage& image, const Rect& source, StretchMode mode) override;

private:
    QPainter& m_painter;
    ScaledImageCache* m_cache;
};

}  // namespace vantor
