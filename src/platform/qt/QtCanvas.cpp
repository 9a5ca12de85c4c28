#include "platform/qt/QtCanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
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
// The result is top-down, in the format the screen draws fastest.
void AreaShrinkRows(const QImage& source, QImage& out, int firstRow, int endRow) {
    const int sw = source.width(), sh = source.height(), width = out.width(), height = out.height();
    std::vector<int> xs(static_cast<std::size_t>(width) + 1);
    for (int x = 0; x <= width; ++x) xs[x] = static_cast<int>(static_cast<qint64>(x) * sw / width);
    std::vector<quint32> column(static_cast<std::size_t>(sw) * 3);
    for (int y = firstRow; y < endRow; ++y) {
        const int y0 = static_cast<int>(static_cast<qint64>(y) * sh / height);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<qint64>(y + 1) * sh / height));
        std::fill(column.begin(), column.end(), 0u);
        for (int r = y0; r < y1; ++r) {
            const uchar* row = source.constScanLine(r);
            quint32* c = column.data();
            for (std::size_t i = 0, n = column.size(); i < n; ++i) c[i] += row[i];
        }
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(height - 1 - y));
        for (int x = 0; x < width; ++x) {
            quint32 b = 0, g = 0, red = 0;
            for (int i = xs[x]; i < xs[x + 1]; ++i) {
                const quint32* c = &column[static_cast<std::size_t>(i) * 3];
                b += c[0], g += c[1], red += c[2];
            }
            const quint32 n = static_cast<quint32>((y1 - y0) * (xs[x + 1] - xs[x]));
            dst[x] = qRgb(static_cast<int>((red + n / 2) / n), static_cast<int>((g + n / 2) / n),
                          static_cast<int>((b + n / 2) / n));
        }
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
    if (mode == StretchMode::Halftone && part.width() >= 2 * width && part.height() >= 2 * height) {
        return AreaShrink(part, width, height);
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
    const int width = dest.Width(), height = dest.Height();
    if (m_cache != nullptr) {
        m_painter.drawImage(dest.left, dest.top, m_cache->Get(image, source, width, height, mode));
    } else {
        m_painter.drawImage(dest.left, dest.top, ScaleDibImage(image, source, width, height, mode));
    }
}

}  // namespace vantor
