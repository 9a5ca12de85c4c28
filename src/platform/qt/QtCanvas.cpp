#include "platform/qt/QtCanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "imaging/AreaShrink.h"
#include "platform/TwoBands.h"

namespace vantor {

QFont JapaneseFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"), QStringLiteral("IPA Gothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

namespace {

// A source of this many pixels or more is shrunk in two bands on two threads.
constexpr qint64 kTwoBandSourcePixels = 250'000;

// One band of destination rows of AreaShrinkRows, into top-down RGB32 rows at
// out (bytesPerLine apart): stored row y of the bottom-up source's shrink is row
// height-1-y there.
void AreaShrinkInto(const QImage& source, const AreaTaps& across, const AreaTaps& down, uchar* out,
                    qsizetype bytesPerLine, int width, int height, int firstRow, int endRow) {
    AreaShrinkRows(source.constBits(), static_cast<std::size_t>(source.bytesPerLine()), source.width(), width, across,
                   down, firstRow, endRow,
                   [=](int y) { return reinterpret_cast<std::uint32_t*>(out + (height - 1 - y) * bytesPerLine); });
}

// into is used when it has the size (and is not shared), so that a show's paints
// do not each fault in a fresh image.
QImage AreaShrink(const QImage& source, int width, int height, QImage into) {
    if (into.width() != width || into.height() != height || into.format() != QImage::Format_RGB32) {
        into = QImage(width, height, QImage::Format_RGB32);
    }
    // Taken here, on this thread: the image's pixels are made its own (if shared)
    // once, before any band writes to them.
    uchar* out = into.bits();
    const qsizetype bytesPerLine = into.bytesPerLine();
    const AreaTaps across(source.width(), width), down(source.height(), height);
    // A big picture is shared out between two threads, by destination rows.
    const bool big = static_cast<qint64>(source.width()) * source.height() >= kTwoBandSourcePixels;
    RunInTwoBands(height, big, [&](int firstRow, int endRow) {
        AreaShrinkInto(source, across, down, out, bytesPerLine, width, height, firstRow, endRow);
    });
    return into;
}

}  // namespace

QImage ScaleDibImage(const DibImage& image, const Rect& source, int width, int height, StretchMode mode, QImage reuse) {
    if (image.bits == nullptr || image.width == 0 || image.height == 0 || width <= 0 || height <= 0 ||
        source.Width() <= 0 || source.Height() <= 0) {
        return {};
    }
    const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    // Rows are stored bottom-up, so the picture's row r is stored row h-1-r: wrap the
    // pixels as they lie (upside down) and flip only the small scaled result.
    const QRect stored(source.left, h - source.bottom, source.Width(), source.Height());
    QImage part;
    if (QRect(0, 0, w, h).contains(stored)) {
        part = QImage(image.bits + static_cast<std::size_t>(stored.top()) * image.rowBytes +
                          static_cast<std::size_t>(stored.left()) * 3,
                      stored.width(), stored.height(), static_cast<qsizetype>(image.rowBytes), QImage::Format_BGR888);
    } else {
        // Outside the picture counts as black, like an out-of-range stretch.
        part = QImage(image.bits, w, h, static_cast<qsizetype>(image.rowBytes), QImage::Format_BGR888).copy(stored);
    }
    const bool narrower = part.width() >= width, lower = part.height() >= height;
    if (mode == StretchMode::Halftone &&
        ((narrower && lower) || part.width() >= 2 * width || part.height() >= 2 * height)) {
        // Averaging first along every side that shrinks: a smooth scale of a very
        // long side alone would average the same source pixels again for every row
        // it makes. A side that grows is left to the smooth scale.
        if (narrower && lower) return AreaShrink(part, width, height, std::move(reuse));
        const QImage shrunk = AreaShrink(part, narrower ? width : part.width(), lower ? height : part.height(), {});
        return shrunk.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    }
    const QImage scaled =
        part.scaled(width, height, Qt::IgnoreAspectRatio,
                    mode == StretchMode::Halftone ? Qt::SmoothTransformation : Qt::FastTransformation);
    // Back to top-down order, on the small result, in the format the screen draws fastest.
    return scaled.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

const QImage& ScaledImageCache::Get(const DibImage& image, const Rect& source, int width, int height,
                                    StretchMode mode) {
    const Key key{image.key, image.bits, image.width, image.height, image.rowBytes, source, width, height, mode};
    if (!(key == m_key) || m_image.isNull()) {
        // The scaled picture is made in a block kept from paint to paint, so that a
        // show does not fault in a fresh image for every slide; a block far larger
        // than needed is given back.
        m_image = QImage();
        const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
        if (bytes > m_capacity || bytes < m_capacity / 4) {
            m_pixels.reset(new (std::nothrow) uchar[bytes]);
            m_capacity = m_pixels ? bytes : 0;
        }
        QImage into;
        if (m_pixels)
            into = QImage(m_pixels.get(), width, height, static_cast<qsizetype>(width) * 4, QImage::Format_RGB32);
        // Handed over, not shared: a shared image would be copied before it is written.
        m_image = ScaleDibImage(image, source, width, height, mode, std::move(into));
        m_key = key;
    }
    return m_image;
}

// Small enough that the overlay texts the view places side by side at fixed x do not run into each other.
constexpr int kCanvasFontPixels = 14;

QFont CanvasFont() { return JapaneseFont(kCanvasFontPixels); }

QtCanvas::QtCanvas(QPainter& painter, ScaledImageCache* cache) : m_painter(painter), m_cache(cache) {
    m_painter.setFont(CanvasFont());
    m_painter.setBackgroundMode(Qt::TransparentMode);
}

void QtCanvas::FillRect(const Rect& r, Rgb color) {
    m_painter.fillRect(QRect(r.left, r.top, r.Width(), r.Height()), QColor(color.r, color.g, color.b));
}

void QtCanvas::TextOut(int x, int y, const std::string& text, Rgb color) {
    m_painter.setPen(QColor(color.r, color.g, color.b));
    m_painter.drawText(x, y + QFontMetrics(m_painter.font()).ascent(), QString::fromStdString(text));
}

void QtCanvas::TextOutOpaque(int x, int y, const std::string& text, Rgb color, Rgb background) {
    const QFontMetrics metrics(m_painter.font());
    const QColor cell(background.r, background.g, background.b);
    if (std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; })) {
        // A blank line, with which the long runs erase a line, shows nothing but its
        // cell; laying out its hundreds of spaces would cost more than the rest.
        const int width = static_cast<int>(text.size()) * metrics.horizontalAdvance(QLatin1Char(' '));
        m_painter.fillRect(QRect(x, y, width, metrics.height()), cell);
        return;
    }
    const QString s = QString::fromStdString(text);
    m_painter.fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()), cell);
    m_painter.setPen(QColor(color.r, color.g, color.b));
    m_painter.drawText(x, y + metrics.ascent(), s);
}

void QtCanvas::StretchImage(const Rect& dest, const DibImage& image, const Rect& source, StretchMode mode) {
    if (dest.Width() <= 0 || dest.Height() <= 0 || source.Width() <= 0 || source.Height() <= 0) return;
    Rect to = dest, from = source;
    // Only what lands on the surface is scaled: a picture shown as it is may be far
    // larger than the window, and scaling all of it would cost its whole size again.
    const QRect surface(0, 0, m_painter.device()->width(), m_painter.device()->height());
    const QRect target(dest.left, dest.top, dest.Width(), dest.Height());
    const QRect visible = target & surface;
    if (visible.isEmpty()) return;
    if (visible != target) {
        // The whole source pixels under the visible part, and where they land.
        const double sx = static_cast<double>(source.Width()) / dest.Width();
        const double sy = static_cast<double>(source.Height()) / dest.Height();
        from.left = source.left + static_cast<int>(std::floor((visible.left() - dest.left) * sx));
        from.top = source.top + static_cast<int>(std::floor((visible.top() - dest.top) * sy));
        from.right =
            std::min(source.right, source.left + static_cast<int>(std::ceil((visible.right() + 1 - dest.left) * sx)));
        from.bottom =
            std::min(source.bottom, source.top + static_cast<int>(std::ceil((visible.bottom() + 1 - dest.top) * sy)));
        to.left = dest.left + static_cast<int>(std::floor((from.left - source.left) / sx));
        to.top = dest.top + static_cast<int>(std::floor((from.top - source.top) / sy));
        to.right = dest.left + static_cast<int>(std::ceil((from.right - source.left) / sx));
        to.bottom = dest.top + static_cast<int>(std::ceil((from.bottom - source.top) / sy));
        if (to.Width() <= 0 || to.Height() <= 0 || from.Width() <= 0 || from.Height() <= 0) return;
    }
    const int width = to.Width(), height = to.Height();
    const bool whole = from.left == 0 && from.top == 0 && from.Width() == static_cast<int>(image.width) &&
                       from.Height() == static_cast<int>(image.height);
    if (mode == StretchMode::Halftone && image.shrunk != nullptr && whole &&
        width == static_cast<int>(image.shrunkWidth) && height == static_cast<int>(image.shrunkHeight)) {
        m_painter.drawImage(to.left, to.top,
                            QImage(reinterpret_cast<const uchar*>(image.shrunk), width, height,
                                   static_cast<qsizetype>(width) * 4, QImage::Format_RGB32));
        if (m_cache != nullptr) m_cache->Clear();
        return;
    }
    if (m_cache != nullptr) {
        m_painter.drawImage(to.left, to.top, m_cache->Get(image, from, width, height, mode));
    } else {
        m_painter.drawImage(to.left, to.top, ScaleDibImage(image, from, width, height, mode));
    }
}

}  // namespace vantor
