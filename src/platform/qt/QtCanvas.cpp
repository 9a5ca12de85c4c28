#include "platform/qt/QtCanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

namespace vantor {

QFont JapaneseFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"), QStringLiteral("IPA Gothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

namespace {

// Shrinks a 24-bit picture stored bottom-up by averaging, for each destination
// pixel, the block of source pixels it covers: as smooth as a big downscale needs
// to be, in one pass over the source. The rows of a block are first summed column
// by column (a loop the compiler vectorises), then each sum row is reduced across.
// The result is top-down, in the format the screen draws fastest. Column sums are
// 32 bits while a block's rows cannot overflow them (16843009 rows of 255), else
// 64 bits; the sums across a block are always 64 bits.
template <typename ColumnSum>
void AreaShrinkRowsWith(const QImage& source, QImage& out, int firstRow, int endRow) {
    const int sw = source.width(), sh = source.height(), width = out.width(), height = out.height();
    std::vector<int> xs(static_cast<std::size_t>(width) + 1);
    for (int x = 0; x <= width; ++x) xs[x] = static_cast<int>(static_cast<qint64>(x) * sw / width);
    std::vector<ColumnSum> column;  // made for the first block of several rows
    for (int y = firstRow; y < endRow; ++y) {
        const int y0 = static_cast<int>(static_cast<qint64>(y) * sh / height);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<qint64>(y + 1) * sh / height));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(height - 1 - y));
        // A block one row high is summed straight from the row (a picture far wider
        // than tall needs no column sums as wide as itself).
        const bool oneRow = y1 - y0 == 1;
        if (!oneRow) {
            column.assign(static_cast<std::size_t>(sw) * 3, ColumnSum{0});
            for (int r = y0; r < y1; ++r) {
                const uchar* row = source.constScanLine(r);
                ColumnSum* c = column.data();
                for (std::size_t i = 0, n = column.size(); i < n; ++i) c[i] += row[i];
            }
        }
        const uchar* single = oneRow ? source.constScanLine(y0) : nullptr;
        for (int x = 0; x < width; ++x) {
            quint64 b = 0, g = 0, red = 0;
            // A block is at least one pixel wide: the destination is never wider than the source.
            const int x0 = xs[x], x1 = std::max(xs[x + 1], x0 + 1);
            for (int i = x0; i < x1; ++i) {
                const std::size_t at = static_cast<std::size_t>(i) * 3;
                if (oneRow) {
                    b += single[at], g += single[at + 1], red += single[at + 2];
                } else {
                    b += column[at], g += column[at + 1], red += column[at + 2];
                }
            }
            const quint64 n = static_cast<quint64>(y1 - y0) * static_cast<quint64>(x1 - x0);
            dst[x] = qRgb(static_cast<int>((red + n / 2) / n), static_cast<int>((g + n / 2) / n),
                          static_cast<int>((b + n / 2) / n));
        }
    }
}

void AreaShrinkRows(const QImage& source, QImage& out, int firstRow, int endRow) {
    const qint64 blockRows = source.height() / out.height() + 1;
    if (blockRows * 255 <= 0xFFFFFFFFLL) {
        AreaShrinkRowsWith<quint32>(source, out, firstRow, endRow);
    } else {
        AreaShrinkRowsWith<quint64>(source, out, firstRow, endRow);
    }
}

QImage AreaShrink(const QImage& source, int width, int height) {
    QImage out(width, height, QImage::Format_RGB32);
    // A big picture is shared out between two threads, by destination rows.
    if (static_cast<qint64>(source.width()) * source.height() >= 1'000'000 && height >= 2) {
        std::thread lower(AreaShrinkRows, std::cref(source), std::ref(out), 0, height / 2);
        AreaShrinkRows(source, out, height / 2, height);
        lower.join();
    } else {
        AreaShrinkRows(source, out, 0, height);
    }
    return out;
}

}  // namespace

QImage ScaleDibImage(const DibImage& image, const Rect& source, int width, int height, StretchMode mode) {
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
                      stored.width(), stored.height(), static_cast<qsizetype>(image.rowBytes),
                      QImage::Format_BGR888);
    } else {
        // Outside the picture counts as black, like an out-of-range stretch.
        part = QImage(image.bits, w, h, static_cast<qsizetype>(image.rowBytes), QImage::Format_BGR888).copy(stored);
    }
    const bool shrinkAcross = part.width() >= 2 * width, shrinkDown = part.height() >= 2 * height;
    if (mode == StretchMode::Halftone && (shrinkAcross || shrinkDown)) {
        // Averaging first along every side that shrinks to half or less: a smooth
        // scale of a very long side alone would average the same source pixels
        // again for every row it makes.
        QImage shrunk = AreaShrink(part, shrinkAcross ? width : part.width(), shrinkDown ? height : part.height());
        if (shrunk.width() == width && shrunk.height() == height) return shrunk;
        return shrunk.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    }
    const QImage scaled = part.scaled(width, height, Qt::IgnoreAspectRatio,
                                      mode == StretchMode::Halftone ? Qt::SmoothTransformation
                                                                    : Qt::FastTransformation);
    // Back to top-down order, on the small result, in the format the screen draws fastest.
    return scaled.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

const QImage& ScaledImageCache::Get(const DibImage& image, const Rect& source, int width, int height,
                                    StretchMode mode) {
    const Key key{image.key, image.bits, image.width, image.height, image.rowBytes, source, width, height, mode};
    if (!(key == m_key) || m_image.isNull()) {
        m_image = ScaleDibImage(image, source, width, height, mode);
        m_key = key;
    }
    return m_image;
}

// Small enough that the overlay texts the view places side by side at fixed x do not run into each other.
constexpr int kCanvasFontPixels = 14;

QtCanvas::QtCanvas(QPainter& painter, ScaledImageCache* cache) : m_painter(painter), m_cache(cache) {
    m_painter.setFont(JapaneseFont(kCanvasFontPixels));
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
    const QString s = QString::fromStdString(text);
    const QFontMetrics metrics(m_painter.font());
    m_painter.fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()),
                       QColor(background.r, background.g, background.b));
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
        from.right = std::min(source.right,
                              source.left + static_cast<int>(std::ceil((visible.right() + 1 - dest.left) * sx)));
        from.bottom = std::min(source.bottom,
                               source.top + static_cast<int>(std::ceil((visible.bottom() + 1 - dest.top) * sy)));
        to.left = dest.left + static_cast<int>(std::floor((from.left - source.left) / sx));
        to.top = dest.top + static_cast<int>(std::floor((from.top - source.top) / sy));
        to.right = dest.left + static_cast<int>(std::ceil((from.right - source.left) / sx));
        to.bottom = dest.top + static_cast<int>(std::ceil((from.bottom - source.top) / sy));
        if (to.Width() <= 0 || to.Height() <= 0 || from.Width() <= 0 || from.Height() <= 0) return;
    }
    const int width = to.Width(), height = to.Height();
    if (m_cache != nullptr) {
        m_painter.drawImage(to.left, to.top, m_cache->Get(image, from, width, height, mode));
    } else {
        m_painter.drawImage(to.left, to.top, ScaleDibImage(image, from, width, height, mode));
    }
}

}  // namespace vantor
