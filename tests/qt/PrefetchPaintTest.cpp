// A slide decoded ahead, at the reduction the screen needs: on the real canvas the
// show must look exactly as it does when every slide is loaded in turn.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <vector>

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

// Every frame a show paints on the real canvas when a new picture is on screen.
std::vector<QImage> PaintedSlides(const std::vector<std::string>& paths, bool prefetch, std::uint64_t& handedOver) {
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
            frames.push_back(window.copy());
        }
    };
    for (std::uint32_t i = 0; i < paths.size(); ++i) s.view.StoreSlide(i, paths[i]);
    s.view.m_slideCount = static_cast<std::uint32_t>(paths.size());
    s.view.m_speed = 5;
    s.view.m_prefetchSlides = prefetch;
    EXPECT_TRUE(s.view.OnCommand(ID_SLIDESHOW_START));
    handedOver = s.view.m_buf.Ahead().HandedOver();
    return frames;
}

TEST(QtCanvas, SlidesDecodedAheadLookExactlyAsThoseLoadedInTurn) {
    test::TempDir dir;
    // Reduced by different scales for the 800 x 600 frame, one that is not, and
    // odd sizes whose rows need padding.
    const std::vector<std::pair<unsigned, unsigned>> sizes = {
        {1700, 1300}, {2401, 1203}, {1000, 700}, {1603, 3001}, {1650, 1250}};
    std::vector<std::string> paths;
    for (unsigned i = 0; i < sizes.size(); ++i) {
        paths.push_back(dir.File("p" + std::to_string(i) + ".jpg"));
        WriteDetailedJpeg(paths.back(), sizes[i].first, sizes[i].second, 3 + 2 * i);
    }
    test::TestApp();
    std::uint64_t aheadWith = 0, aheadWithout = 0;
    const auto with = PaintedSlides(paths, true, aheadWith);
    const auto without = PaintedSlides(paths, false, aheadWithout);
    EXPECT_EQ(aheadWith, sizes.size() - 1);
    EXPECT_EQ(aheadWithout, 0u);
    ASSERT_EQ(with.size(), sizes.size());
    ASSERT_EQ(without.size(), sizes.size());
    for (std::size_t i = 0; i < with.size(); ++i) EXPECT_TRUE(with[i] == without[i]) << "slide " << i + 1;
}

}  // namespace
}  // namespace vantor
