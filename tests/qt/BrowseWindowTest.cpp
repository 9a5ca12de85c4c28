// Browsing in the window: `vantor PICTURE` shows the picture among its folder's,
// and the keys sent to the view show the next, the previous, the first and the
// last, as the painted window and its title tell; q and Ctrl+Q close it.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "TestSupport.h"
#include "platform/qt/ViewWidget.h"
#include "qt/QtTestApp.h"
#include "viewer/TestBmp.h"

namespace vantor {
namespace {

void Settle() {
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
}

struct Slide {
    const char* name;
    QColor colour;
};

// Four pictures, each of its own colour, by name.
const Slide kSlides[] = {
    {"a.bmp", {250, 0, 0}}, {"b.bmp", {0, 250, 0}}, {"c.bmp", {0, 0, 250}}, {"d.bmp", {250, 250, 0}}};

bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}

struct Window : test::ShownWindow {
    test::TempDir dir;
    Window() : ShownWindow({640, 480}) {
        for (const Slide& s : kSlides) {
            test::WriteFile(dir.File(s.name), test::Bmp24(120, 90, static_cast<unsigned char>(s.colour.red()),
                                                          static_cast<unsigned char>(s.colour.green()),
                                                          static_cast<unsigned char>(s.colour.blue())));
        }
        window.activateWindow();
        window.CallView([this] { view.OnCommandLine({dir.File("b.bmp")}); });
        Settle();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(window.ViewArea(), &press);
        Settle();
    }
    // Whether the picture of that colour is on screen: most of its 120 x 90 pixels.
    bool Shows(const QColor& colour) const {
        const QImage shown = window.ViewArea()->viewport()->grab().toImage();
        int count = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) count += Near(shown.pixelColor(x, y), colour) ? 1 : 0;
        }
        return count > 120 * 90 * 3 / 4 && count <= 120 * 90;
    }
};

TEST(QtBrowse, KeysShowTheSlidesTheyName) {
    Window w;
    ASSERT_EQ(w.window.windowTitle().toStdString(), "b.bmp ( 2 / 4 ) - Vantor");
    EXPECT_TRUE(w.Shows(kSlides[1].colour));
    const std::pair<int, unsigned> steps[] = {
        {Qt::Key_Right, 3}, {Qt::Key_PageDown, 4},  {Qt::Key_N, 4},   {Qt::Key_Left, 3}, {Qt::Key_PageUp, 2},
        {Qt::Key_P, 1},     {Qt::Key_Backspace, 1}, {Qt::Key_End, 4}, {Qt::Key_Home, 1}, {Qt::Key_N, 2},
    };
    for (const auto& [key, slide] : steps) {
        w.Key(key);
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        const Slide& s = kSlides[slide - 1];
        EXPECT_EQ(w.window.windowTitle().toStdString(),
                  std::string(s.name) + " ( " + std::to_string(slide) + " / 4 ) - Vantor");
        EXPECT_TRUE(w.Shows(s.colour));
        EXPECT_EQ(w.view.m_stopped, 1) << "no show started";
    }
}

TEST(QtBrowse, QAndCtrlQCloseTheWindow) {
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        Window w;
        ASSERT_TRUE(w.window.isVisible());
        w.Key(Qt::Key_Q, modifiers);
        EXPECT_FALSE(w.window.isVisible());
    }
}

}  // namespace
}  // namespace vantor
