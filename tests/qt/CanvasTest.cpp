// The QPainter canvas: fills, and stretching a bottom-up BGR picture.
#include <gtest/gtest.h>

#include <QPainter>
#include <functional>
#include <sstream>
#include <vector>

#include "platform/qt/QtCanvas.h"
#include "platform/script/ScriptUi.h"
#include "qt/QtTestApp.h"
#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {
namespace {

// A 2x2 picture, top row red | green, bottom row blue | white, stored bottom row
// first in blue-green-red order with rows padded to 8 bytes.
const std::uint8_t kTwoByTwo[16] = {
    255, 0, 0,   255, 255, 255, 0, 0,  // bottom: blue, white
    0,   0, 255, 0,   255, 0,   0, 0,  // top: red, green
};

DibImage TwoByTwo() { return {kTwoByTwo, 2, 2, 8, 42}; }

QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

TEST(QtCanvas, FillRectCoversLeftTopToRightBottomExclusive) {
    test::TestApp();
    QImage image = Blank(6, 6);
    {
        QPainter painter(&image);
        QtCanvas canvas(painter);
        canvas.FillRect({1, 2, 4, 5}, {10, 20, 30});
    }
    EXPECT_EQ(image.pixelColor(1, 2), QColor(10, 20, 30));
    EXPECT_EQ(image.pixelColor(3, 4), QColor(10, 20, 30));
    EXPECT_EQ(image.pixelColor(4, 4), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(3, 5), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(0, 2), QColor(Qt::black));
}

TEST(QtCanvas, SumsOfHugeBlocksDoNotWrap) {
    test::TestApp();
    // 24 megapixels of white into one pixel: the block sums 6.1e9, past 32 bits.
    const unsigned w = 6000, h = 4000;
    std::vector<std::uint8_t> white(static_cast<std::size_t>(w) * h * 3, 255);
    const DibImage big{white.data(), w, h, w * 3, 7};
    QImage image = Blank(3, 3);
    {
        QPainter painter(&image);
        QtCanvas canvas(painter);
        canvas.StretchImage({1, 1, 2, 2}, big, {0, 0, static_cast<int>(w), static_cast<int>(h)}, StretchMode::Halftone);
    }
    EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 255, 255));
    // One column a hundred million rows tall would overflow even the column sums.
    std::vector<std::uint8_t> column(static_cast<std::size_t>(20'000'000) * 4, 200);
    const DibImage tall{column.data(), 1, 20'000'000, 4, 8};
    {
        QPainter painter(&image);
        QtCanvas canvas(painter);
        canvas.StretchImage({0, 0, 1, 1}, tall, {0, 0, 1, 20'000'000}, StretchMode::Halftone);
    }
    EXPECT_EQ(image.pixelColor(0, 0), QColor(200, 200, 200));
}

TEST(QtCanvas, OnlyTheVisiblePartOfAHugeStretchIsScaled) {
    test::TestApp();
    // A picture 50 million pixels wide drawn as it is: its first pixels show, and
    // nothing the size of the whole picture is made.
    const unsigned w = 50'000'000;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 3 + 3, 0);
    for (unsigned x = 0; x < 4; ++x) row[x * 3 + 2] = 255;  // red, blue-green-red order
    const DibImage wide{row.data(), w, 1, w * 3 + 3, 9};
    QImage image = Blank(8, 4);
    {
        QPainter painter(&image);
        QtCanvas canvas(painter);
        canvas.StretchImage({2, 1, 2 + static_cast<int>(w), 2}, wide, {0, 0, static_cast<int>(w), 1},
                            StretchMode::Halftone);
    }
    EXPECT_EQ(image.pixelColor(2, 1), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(5, 1), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(6, 1), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(0, 0, 0));
}

TEST(QtCanvas, StretchPutsTheTopRowOnTop) {
    test::TestApp();
    for (StretchMode mode : {StretchMode::ColorOnColor, StretchMode::Halftone}) {
        QImage image = Blank(6, 6);
        {
            QPainter painter(&image);
            QtCanvas canvas(painter);
            canvas.StretchImage({1, 1, 5, 5}, TwoByTwo(), {0, 0, 2, 2}, mode);
        }
        EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 0, 0));
        EXPECT_EQ(image.pixelColor(4, 1), QColor(0, 255, 0));
        EXPECT_EQ(image.pixelColor(1, 4), QColor(0, 0, 255));
        EXPECT_EQ(image.pixelColor(4, 4), QColor(255, 255, 255));
        EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
        EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::black));
    }
}

TEST(QtCanvas, StretchOfAPartOfThePicture) {
    test::TestApp();
    QImage image = Blank(2, 2);
    {
        QPainter painter(&image);
        QtCanvas canvas(painter);
        canvas.StretchImage({0, 0, 2, 2}, TwoByTwo(), {1, 1, 2, 2}, StretchMode::ColorOnColor);  // bottom right
    }
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 255, 255));
}

TEST(QtCanvas, TextIsDrawnInItsColourBelowItsTop) {
    test::TestApp();
    QImage image = Blank(120, 40);
    {
        QPainter painter(&image);
        QtCanvas canvas(painter);
        canvas.TextOut(2, 10, "( 1 / 2 ) 件", {200, 200, 200});
    }
    int lit = 0, above = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            if (image.pixelColor(x, y) == QColor(Qt::black)) continue;
            ++lit;
            if (y < 10) ++above;
        }
    }
    EXPECT_GT(lit, 20);
    EXPECT_EQ(above, 0);
}

TEST(QtCanvas, BigHalftoneDownscaleKeepsColoursAndOrientation) {
    test::TestApp();
    // 16 x 16, top half red, bottom half blue; stored bottom row first.
    std::vector<std::uint8_t> pixels(16 * 48);
    for (int row = 0; row < 16; ++row) {
        for (int x = 0; x < 16; ++x) {
            std::uint8_t* p = &pixels[static_cast<std::size_t>(row * 48 + x * 3)];
            p[row < 8 ? 0 : 2] = 255;  // stored rows 0..7 are the bottom half
        }
    }
    const QImage scaled = ScaleDibImage({pixels.data(), 16, 16, 48, 1}, {0, 0, 16, 16}, 2, 2, StretchMode::Halftone);
    ASSERT_EQ(scaled.size(), QSize(2, 2));
    EXPECT_EQ(scaled.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(scaled.pixelColor(1, 0), QColor(255, 0, 0));
    EXPECT_EQ(scaled.pixelColor(0, 1), QColor(0, 0, 255));
    EXPECT_EQ(scaled.pixelColor(1, 1), QColor(0, 0, 255));
}

TEST(QtCanvas, CacheScalesOncePerPictureAndFit) {
    test::TestApp();
    ScaledImageCache cache;
    const DibImage picture = TwoByTwo();
    const qint64 first = cache.Get(picture, {0, 0, 2, 2}, 4, 4, StretchMode::Halftone).cacheKey();
    EXPECT_EQ(cache.Get(picture, {0, 0, 2, 2}, 4, 4, StretchMode::Halftone).cacheKey(), first);
    const QImage& other = cache.Get(picture, {0, 0, 2, 2}, 3, 3, StretchMode::Halftone);
    EXPECT_EQ(other.size(), QSize(3, 3));
    EXPECT_NE(other.cacheKey(), first);
    DibImage changed = picture;
    changed.key = 43;
    EXPECT_NE(cache.Get(changed, {0, 0, 2, 2}, 3, 3, StretchMode::Halftone).cacheKey(), other.cacheKey());
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

// The view's whole paint into a window-sized image: bands, the picture centred
// on them, and the picture's own colours.
TEST(QtCanvas, RealPaintOfTheView) {
    test::TestApp();
    std::ostringstream transcript;
    ScriptUi ui(transcript);
    ScopedUi scope(ui);
    ui.SetClientSize(1000, 700);
    CVantorView view;
    // 400 x 300, display order: the bottom half blue, the top half red.
    RgbBuffer pixels = AllocRgb(400, 300);
    for (std::size_t i = 0; i < 400u * 300u; ++i) {
        std::uint8_t* p = pixels.get() + 3 * i;
        const bool bottom = i < 400u * 150u;
        p[0] = bottom ? 255 : 0;
        p[1] = 0;
        p[2] = bottom ? 0 : 255;
    }
    view.m_buf.Replace(std::move(pixels), 400, 300);
    QImage window = Blank(1000, 700);
    {
        QPainter painter(&window);
        QtCanvas canvas(painter);
        view.OnDraw(canvas);
    }
    EXPECT_EQ(window.pixelColor(100, 350), QColor(200, 200, 200)) << "the gray band left of the picture";
    EXPECT_EQ(window.pixelColor(310, 210), QColor(255, 0, 0)) << "the picture's top row is on top";
    EXPECT_EQ(window.pixelColor(690, 490), QColor(0, 0, 255));
    EXPECT_EQ(window.pixelColor(710, 490), QColor(200, 200, 200)) << "the band right of the picture";
}

// A save that fails puts the picture in file order while its boxes are open; a
// window made smaller meanwhile repaints. Nothing drawn then may stay on screen
// once the picture is back: after the save the picture is upright again.
TEST(QtCanvas, AFailedSaveNeverLeavesThePictureUpsideDown) {
    test::TestApp();
    struct ResizingUi : ScriptUi {
        using ScriptUi::ScriptUi;
        std::function<void()> whileBoxOpen;
        int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) override {
            if (whileBoxOpen) whileBoxOpen();
            return ScriptUi::MessageBox(text, caption, buttons, icon);
        }
    };
    std::ostringstream transcript;
    ResizingUi ui(transcript);
    ScopedUi scope(ui);
    CVantorView view;
    // 400 x 300 (rows need no padding), display order: the bottom half green, the
    // top half red (upside down in file order, the top is green).
    RgbBuffer pixels = AllocRgb(400, 300);
    for (std::size_t i = 0; i < 400u * 300u; ++i) {
        std::uint8_t* p = pixels.get() + 3 * i;
        const bool bottom = i < 400u * 150u;
        p[0] = 0;
        p[1] = bottom ? 255 : 0;
        p[2] = bottom ? 0 : 255;
    }
    view.m_buf.Replace(std::move(pixels), 400, 300);
    ScaledImageCache cache;  // kept across paints, as the window keeps it
    const auto paint = [&](int w, int h) {
        ui.SetClientSize(w, h);
        QImage window = Blank(w, h);
        QPainter painter(&window);
        QtCanvas canvas(painter, &cache);
        view.OnDraw(canvas);
        painter.end();
        return window;
    };
    paint(1000, 700);
    // The picture stands at (30, 30) in a small window, partly off it.
    ui.whileBoxOpen = [&] { paint(300, 200); };
    ui.QueueFilesAnswer({false, {"/no/such/folder/x.jpg"}});
    view.OnCommand(ID_FILE_SAVE_RGB_AS);
    ui.whileBoxOpen = nullptr;
    const QImage after = paint(300, 200);
    EXPECT_EQ(after.pixelColor(40, 40), QColor(255, 0, 0)) << "the top of the picture is red";
}

}  // namespace
}  // namespace vantor
