// Pictures decoded at the reduction the screen needs: on the real canvas they
// look as the whole picture shrunk would, and a slide decoded ahead looks
// exactly as it does when every slide is loaded in turn.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

#include "../../bench/BenchPhoto.h"
#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "platform/qt/QtCanvas.h"
#include "qt/QtTestApp.h"
#include "resource.h"

namespace vantor {
namespace {

// A picture with detail in every block, so that any averaging error shows.
void WriteDetailedJpeg(const std::string& path, unsigned width, unsigned height, unsigned seed) {
    std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>((i * seed) ^ (i >> 9));
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, rgb.data(), width, height, true, 92));
}

// Every frame a show paints on the real canvas when a new picture is on screen;
// shrunkAhead counts those that came shrunk from the decode ahead.
std::vector<QImage> PaintedSlides(const std::vector<std::string>& paths, bool prefetch, std::uint64_t& handedOver,
                                  int& shrunkAhead) {
    test::ScriptedView s;
    QImage window(1000, 760, QImage::Format_RGB32);
    ScaledImageCache cache;
    std::vector<QImage> frames;
    std::uint64_t generation = s.view.m_buf.Generation();
    s.ui.SetClientSize(window.width(), window.height());
    s.ui.paint = [&](Canvas&) {
        window.fill(Qt::white);
        {
            QPainter painter(&window);
            QtCanvas canvas(painter, &cache);
            s.view.OnDraw(canvas);
        }
        if (s.view.m_buf && s.view.m_buf.Generation() != generation) {
            generation = s.view.m_buf.Generation();
            if (s.view.m_buf.Drawable().shrunk != nullptr) ++shrunkAhead;
            frames.push_back(window.copy());
        }
    };
    for (std::uint32_t i = 0; i < paths.size(); ++i) s.view.m_slides.Store(i, paths[i]);
    s.view.m_slides.m_slideCount = static_cast<std::uint32_t>(paths.size());
    s.view.m_speed = 5;
    s.view.m_prefetchSlides = prefetch;
    EXPECT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    handedOver = s.view.m_buf.Ahead().HandedOver();
    return frames;
}

TEST(QtCanvas, SlidesDecodedAheadLookExactlyAsThoseLoadedInTurn) {
    test::TempDir dir;
    // Reduced by different scales for the 800 x 600 frame, one that is not, odd
    // sizes whose rows need padding, and one shown at its own size.
    const std::vector<std::pair<unsigned, unsigned>> sizes = {{1700, 1300}, {2401, 1203}, {1000, 700},
                                                              {1603, 3001}, {1650, 1250}, {800, 600}};
    std::vector<std::string> paths;
    for (unsigned i = 0; i < sizes.size(); ++i) {
        paths.push_back(dir.File("p" + std::to_string(i) + ".jpg"));
        WriteDetailedJpeg(paths.back(), sizes[i].first, sizes[i].second, 3 + 2 * i);
    }
    test::TestApp();
    std::uint64_t aheadWith = 0, aheadWithout = 0;
    int shrunkWith = 0, shrunkWithout = 0;
    const auto with = PaintedSlides(paths, true, aheadWith, shrunkWith);
    const auto without = PaintedSlides(paths, false, aheadWithout, shrunkWithout);
    EXPECT_EQ(aheadWith, sizes.size() - 1);
    EXPECT_EQ(aheadWithout, 0u);
    // Each slide decoded ahead came shrunk for the frame, drawn as it was; but the
    // one shown at its own size, which the screen draws as it is.
    EXPECT_EQ(shrunkWith, static_cast<int>(sizes.size()) - 2);
    EXPECT_EQ(shrunkWithout, 0);
    ASSERT_EQ(with.size(), sizes.size());
    ASSERT_EQ(without.size(), sizes.size());
    for (std::size_t i = 0; i < with.size(); ++i) EXPECT_TRUE(with[i] == without[i]) << "slide " << i + 1;
}

// The peak signal-to-noise ratio of two frames over a rectangle, in dB.
double Psnr(const QImage& a, const QImage& b, const QRect& area) {
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) sum += d * d;
        }
    }
    const double mse = sum / (3.0 * area.width() * area.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(QtCanvas, AReducedDecodePaintsTheFrameTheWholePictureWould) {
    test::TempDir dir;
    test::TestApp();
    // Camera sizes, shrunk into the 800 x 600 frame by each mode that shrinks; a
    // JPEG decoded at a DCT reduction, a WebP scaled by its decoder.
    const std::vector<std::pair<unsigned, unsigned>> sizes = {{2560, 1600}, {4000, 3000}, {5120, 2880}};
    for (unsigned i = 0; i < sizes.size(); ++i) {
        const auto [width, height] = sizes[i];
        const std::string jpeg = dir.File("photo" + std::to_string(i) + ".jpg");
        const std::string webp = dir.File("photo" + std::to_string(i) + ".webp");
        bench::WritePhoto(jpeg, width, height, 7 + i, 12);
        // One WebP is enough (ImageMagick's encoder is slow at these sizes).
        std::vector<std::pair<std::string, std::int32_t>> cases = {{jpeg, 0}, {jpeg, 2}, {jpeg, 3}};
        if (i == 0) {
            ASSERT_TRUE(bench::Shell("convert '" + jpeg + "' -quality 92 '" + webp + "'"));
            cases.insert(cases.end(), {{webp, 0}, {webp, 3}});
        }
        for (const auto& [path, mode] : cases) {
            SCOPED_TRACE(path + " mode " + std::to_string(mode));
            test::ScriptedView s;
            QImage window(1000, 760, QImage::Format_RGB32);
            ScaledImageCache cache;
            s.ui.SetClientSize(window.width(), window.height());
            const auto paint = [&] {
                QPainter painter(&window);
                QtCanvas canvas(painter, &cache);
                s.view.OnDraw(canvas);
                return window.copy();
            };
            s.view.m_output.m_outScaleMode = mode;
            s.view.LoadByEnding(path);
            ASSERT_TRUE(s.view.m_buf.Reduced());
            EXPECT_EQ(s.view.m_width, width);
            EXPECT_EQ(s.view.m_height, height);
            const QImage reduced = paint();
            // Zoomed to half its size, it is decoded again to cover that, its size kept.
            ASSERT_TRUE(s.view.m_buf.Cover(width / 2, height / 2));
            EXPECT_GE(s.view.m_buf.PixelWidth(), width / 2);
            EXPECT_GE(s.view.m_buf.PixelHeight(), height / 2);
            EXPECT_EQ(s.view.m_width, width);
            ASSERT_TRUE(s.view.m_buf.MakeFull());
            ASSERT_FALSE(s.view.m_buf.Reduced());
            const QImage whole = paint();
            // The picture sits in the middle of this window.
            const int fw = static_cast<int>(s.view.m_fit.m_fitWidth), fh = static_cast<int>(s.view.m_fit.m_fitHeight);
            const QRect area((window.width() - fw) / 2, (window.height() - fh) / 2, fw, fh);
            EXPECT_GE(Psnr(reduced, whole, area), 38.0);
        }
    }
}

}  // namespace
}  // namespace vantor
