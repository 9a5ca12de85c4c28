// Scrolling and zooming the picture, read from the window's pixels: the wheel
// moves the picture whole in every mode, the zoom keys and Ctrl with the wheel
// draw it at their steps about the centre or the pointer, and a zoomed picture
// pans by dragging and by the wheel. During a show every key keeps its meaning.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/ViewWidget.h"
#include "qt/QtTestApp.h"
#include "viewer/CVantorView.h"

namespace vantor {
namespace {

void Settle() {
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
}

// A picture whose every pixel tells where it is: red, with green growing down
// and blue growing across (0 to 200), so that no background colour looks like it.
std::string WriteMap(const test::TempDir& dir, int width, int height) {
    std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(std::size_t(y) * width + x) * 3];
            p[0] = 255;
            p[1] = static_cast<std::uint8_t>(y * 200 / (height - 1));
            p[2] = static_cast<std::uint8_t>(x * 200 / (width - 1));
        }
    }
    const std::string path = dir.File("map" + std::to_string(width) + ".jpg");
    EXPECT_TRUE(JpegFile::SaveFromRgb(path, rgb.data(), width, height, true, 95));
    return path;
}

bool IsPicture(QRgb c) { return qRed(c) > 225 && qGreen(c) < 220 && qBlue(c) < 220; }

struct Viewer : test::ShownWindow {
    int width = 0, height = 0;  // of the picture
    Viewer(const std::string& path, int w, int h, std::int32_t mode = OutputSettings::kScaleShrink)
        : ShownWindow({1100, 800}), width(w), height(h) {
        window.activateWindow();
        view.m_output.m_outScaleMode = mode;
        view.m_progressMode = CVantorView::kProgressNone;
        view.LoadJpegFile(path);
        view.InvalidateView(true);
        Settle();
    }
    ViewWidget& Area() const { return *window.ViewArea(); }
    QSize Client() const { return Area().viewport()->size(); }
    QImage Screen() const {
        Settle();
        return Area().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // The picture's pixel shown at a point of the window, if the picture is there.
    std::optional<QPointF> At(const QImage& screen, QPoint p) const {
        const QRgb c = screen.pixel(p);
        if (!IsPicture(c)) return std::nullopt;
        return QPointF(qBlue(c) * (width - 1) / 200.0, qGreen(c) * (height - 1) / 200.0);
    }
    void Key(int key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(&Area(), &press);
        Settle();
    }
    // Notches of the wheel (down when positive) at a point of the window, in one turn.
    void Wheel(int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier, QPoint at = {300, 300}) {
        QWheelEvent wheel(at, Area().viewport()->mapToGlobal(at), {}, {0, -120 * notches}, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(Area().viewport(), &wheel);
        Settle();
    }
    void Drag(QPoint from, QPoint to) {
        QWidget* port = Area().viewport();
        QMouseEvent press(QEvent::MouseButtonPress, from, port->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(port, &press);
        QMouseEvent move(QEvent::MouseMove, to, port->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, port->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(port, &release);
        Settle();
    }
};

// The one text left with the progress texts off, "( 0 / 0 )".
const QRect kSlideNumber(205, 0, 100, 24);

// Where the picture is on screen; false when that is not one solid rectangle of
// picture with nothing of it outside (a band of background inside, a squashed copy).
bool Extent(const QImage& screen, QRect& extent) {
    extent = {};
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            if (IsPicture(screen.pixel(x, y))) extent |= QRect(x, y, 1, 1);
        }
    }
    for (int y = extent.top(); y <= extent.bottom(); ++y) {
        for (int x = extent.left(); x <= extent.right(); ++x) {
            if (!IsPicture(screen.pixel(x, y)) && !kSlideNumber.contains(x, y)) return false;
        }
    }
    return !extent.isEmpty();
}

// Pixels of the picture as a gradient read back through JPEG: a few of its levels.
constexpr double kNear = 24;

TEST(QtScrollAndZoom, TheWheelMovesThePictureWholeInEveryModeInAndOutOfAShow) {
    struct Case {
        const char* name;
        std::int32_t mode;
        bool fitWindow, fullScreen, haltedShow;
        bool scrolls;  // the picture is larger than the window
    };
    const Case cases[] = {
        {"shrink", OutputSettings::kScaleShrink, false, false, false, false},
        {"shrink, halted show", OutputSettings::kScaleShrink, false, false, true, false},
        {"enlarge", OutputSettings::kScaleFit, false, false, false, false},
        {"stretch", OutputSettings::kScaleStretch, false, false, true, false},
        {"fit to window", OutputSettings::kScaleShrink, true, false, false, false},
        {"full screen", OutputSettings::kScaleShrink, false, true, true, false},
        {"as is", OutputSettings::kScaleAsIs, false, false, false, true},
        {"as is, halted show", OutputSettings::kScaleAsIs, false, false, true, true},
        {"as is, full screen", OutputSettings::kScaleAsIs, false, true, false, true},
    };
    test::TempDir dir;
    const std::string path = WriteMap(dir, 1600, 1200);
    for (const Case& c : cases) {
        Viewer v(path, 1600, 1200, c.mode);
        if (c.fitWindow) v.view.OnFitWindow();
        if (c.fullScreen) v.view.OnFullScreen();
        if (c.haltedShow) {
            v.view.m_stopped = 0;
            v.view.m_haltState = CVantorView::kHaltHalted;
        }
        const QSize client = v.Client();
        QRect before, after;
        const QImage first = v.Screen();
        ASSERT_TRUE(Extent(first, before)) << c.name;
        v.Wheel(5);
        const QImage scrolled = v.Screen();
        ASSERT_TRUE(Extent(scrolled, after)) << c.name << ": the picture whole, nothing of it elsewhere";
        if (!c.scrolls) {
            EXPECT_EQ(after, before) << c.name << ": a picture inside the window stays";
            continue;
        }
        // Five notches move it up by as many lines, no more; the same rows and
        // columns, one pixel each, under the same scale.
        const int moved = 5 * QApplication::wheelScrollLines() * v.Area().verticalScrollBar()->singleStep();
        const int margin = c.fullScreen ? 0 : 30;
        EXPECT_EQ(before.topLeft(), QPoint(margin, margin)) << c.name;
        EXPECT_EQ(after, QRect(QPoint(margin, 0), client - QSize(margin, 0))) << c.name;
        for (const int y : {50, 250}) {
            const auto was = v.At(first, {500, y + moved}), is = v.At(scrolled, {500, y});
            ASSERT_TRUE(was && is) << c.name;
            EXPECT_NEAR(is->y(), was->y(), kNear) << c.name << " row " << y;
            EXPECT_NEAR(is->x(), was->x(), kNear) << c.name << " row " << y;
            EXPECT_NEAR(is->y(), y + moved - margin, kNear) << c.name << ": drawn as is";
        }
        // At the end the picture's last row shows, with the margin after it.
        v.Wheel(50);
        const QImage end = v.Screen();
        ASSERT_TRUE(Extent(end, after)) << c.name;
        EXPECT_EQ(after.bottom(), client.height() - 1 - margin) << c.name;
        EXPECT_NEAR(v.At(end, {500, after.bottom()})->y(), 1199, kNear) << c.name;
    }
}

TEST(QtScrollAndZoom, ZoomKeysDrawThePictureAtTheirStepsWhenNoShowRuns) {
    struct Step {
        int key;
        const char* text;
        QSize drawn;
    };
    // 400 x 300 at the default frame: shown at its own size.
    const Step steps[] = {
        {Qt::Key_Plus, "+", {600, 450}},  {Qt::Key_Plus, "+", {800, 600}},  {Qt::Key_Equal, "=", {400, 300}},
        {Qt::Key_Minus, "-", {267, 200}}, {Qt::Key_Minus, "-", {200, 150}}, {Qt::Key_0, "0", {400, 300}},
        {Qt::Key_Plus, "+", {600, 450}},  {Qt::Key_1, "1", {400, 300}},
    };
    test::TempDir dir;
    const std::string path = WriteMap(dir, 400, 300);
    Viewer v(path, 400, 300);
    QRect extent;
    ASSERT_TRUE(Extent(v.Screen(), extent));
    EXPECT_EQ(extent.size(), QSize(400, 300));
    for (const Step& s : steps) {
        v.Key(s.key, s.text);
        ASSERT_TRUE(Extent(v.Screen(), extent)) << s.text;
        EXPECT_NEAR(extent.width(), s.drawn.width(), 1) << s.text;
        EXPECT_NEAR(extent.height(), s.drawn.height(), 1) << s.text;
    }

    // In a halted show + is a step forward, Ctrl with the wheel nothing: no zoom.
    v.view.m_stopped = 0;
    v.view.m_haltState = CVantorView::kHaltHalted;
    v.Wheel(-1, Qt::ControlModifier);
    v.Key(Qt::Key_Plus, "+");
    EXPECT_EQ(v.view.m_keyForwardRequest, 1);
    EXPECT_EQ(v.view.m_haltState, CVantorView::kHaltStepping);
    ASSERT_TRUE(Extent(v.Screen(), extent));
    EXPECT_EQ(extent.size(), QSize(400, 300));
}

TEST(QtScrollAndZoom, ZoomAboutThePointerDecodesTheWholePictureAndPans) {
    test::TempDir dir;
    const std::string path = WriteMap(dir, 1600, 1200);
    Viewer v(path, 1600, 1200);
    const QSize client = v.Client();
    EXPECT_EQ(v.view.m_buf.PixelWidth(), 800u) << "the fit needs half the pixels";

    // Two notches with Ctrl at once from the fit (1/2): 2/3, then 100 %, about the pointer.
    const QPoint pointer(700, 500);
    const auto under = v.At(v.Screen(), pointer);
    ASSERT_TRUE(under);
    v.Wheel(-2, Qt::ControlModifier, pointer);
    QImage shown = v.Screen();
    QRect extent;
    ASSERT_TRUE(Extent(shown, extent));
    EXPECT_EQ(extent, QRect(QPoint(0, 0), client)) << "larger than the window";
    EXPECT_EQ(v.view.m_buf.PixelWidth(), 1600u) << "decoded again, whole";
    const auto still = v.At(shown, pointer);
    ASSERT_TRUE(still);
    EXPECT_NEAR(still->x(), under->x(), kNear);
    EXPECT_NEAR(still->y(), under->y(), kNear);
    EXPECT_NEAR(v.At(shown, pointer - QPoint(400, 300))->x(), under->x() - 400, kNear) << "one pixel each";
    EXPECT_NEAR(v.At(shown, pointer - QPoint(400, 300))->y(), under->y() - 300, kNear) << "one pixel each";

    // Pans: the picture follows the drag, moves up with the wheel, left with Shift.
    const int notch = QApplication::wheelScrollLines() * v.Area().verticalScrollBar()->singleStep();
    struct Pan {
        const char* name;
        std::function<void()> act;
        QPoint follows;  // where the point under the pointer went
    };
    const Pan pans[] = {
        {"drag", [&] { v.Drag(pointer, pointer + QPoint(100, -20)); }, pointer + QPoint(100, -20)},
        {"wheel", [&] { v.Wheel(1); }, pointer + QPoint(100, -20 - notch)},
        {"Shift with the wheel", [&] { v.Wheel(1, Qt::ShiftModifier); }, pointer + QPoint(100 - notch, -20 - notch)},
    };
    for (const Pan& p : pans) {
        p.act();
        shown = v.Screen();
        const auto there = v.At(shown, p.follows);
        ASSERT_TRUE(there) << p.name;
        EXPECT_NEAR(there->x(), under->x(), kNear) << p.name;
        EXPECT_NEAR(there->y(), under->y(), kNear) << p.name;
        ASSERT_TRUE(Extent(shown, extent)) << p.name;
    }

    // 0 fits again, centred.
    v.Key(Qt::Key_0, "0");
    ASSERT_TRUE(Extent(v.Screen(), extent));
    EXPECT_EQ(extent.size(), QSize(800, 600));
    EXPECT_NEAR(extent.center().x(), client.width() / 2, 1);
}

}  // namespace
}  // namespace vantor
