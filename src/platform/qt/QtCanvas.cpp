#include "platform/qt/QtCanvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace vantor {

QFont JapaneseFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"), QStringLiteral("IPA Gothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

namespace {

// Averages each 2 x 2 block of a 24-bit picture: a cheap first step for big
// downscales, which the smooth scale then finishes at a quarter of the cost.
QImage HalveBgr(const QImage& source) {
    const int w = source.width() / 2, h = source.height() / 2;
    QImage half(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        const uchar* a = source.constScanLine(2 * y);
        const uchar* b = source.constScanLine(2 * y + 1);
        uchar* out = half.scanLine(y);
        for (int x = 0; x < w * 3; x += 3) {
            const int i = 2 * x;
            for (int c = 0; c < 3; ++c) {
                out[x + c] = static_cast<uchar>((a[i + c] + a[i + 3 + c] + b[i + c] + b[i + 3 + c] + 2) / 4);
            }
        }
    }
    return half;
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
    if (mode == StretchMode::ColorOnColor) {
        return part.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation).mirrored(false, true);
    }
    while (part.width() >= 4 * width && part.height() >= 4 * height) part = HalveBgr(part);
    QImage scaled = part.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Back to top-down order, on the small result.
    return scaled.mirrored(false, true);
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

void QtCanvas::StretchImage(const Rect& dest, const DibImage& image, const Rect& source, StretchMode mode) {
    const int width = dest.Width(), height = dest.Height();
    if (m_cache != nullptr) {
        m_painter.drawImage(dest.left, dest.top, m_cache->Get(image, source, width, height, mode));
    } else {
        m_painter.drawImage(dest.left, dest.top, ScaleDibImage(image, source, width, height, mode));
    }
}

}  // namespace vantor
