// The main window: title after the first paint, menus and their enabling, the
// toolbar, the status bar panes, the progress status line and closing while busy.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>

#include "platform/qt/MainWindow.h"
#include "platform/qt/ProgressStatusBar.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/ViewWidget.h"
#include "qt/QtTestApp.h"
#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {
namespace {

struct Frame {
    QApplication& app = test::TestApp();  // before any widget
    CVantorView view;
    MainWindow window{view};
    QtUi ui{window};
    ScopedUi scope{ui};
    Frame() {
        ui.waitingForUser = [this] { return view.WaitingForUser(); };
    }

    QMenu* Menu(const QString& title) {
        for (QAction* a : window.menuBar()->actions()) {
            if (a->text() == title) return a->menu();
        }
        return nullptr;
    }
    QAction* Item(const QString& menu, const QString& text) {
        QMenu* m = Menu(menu);
        if (m == nullptr) return nullptr;
        for (QAction* a : m->actions()) {
            if (a->text() == text) return a;
        }
        return nullptr;
    }
};

TEST(QtMainWindow, TitleIsSetByTheFirstPaint) {
    Frame f;
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Vantor");
    f.window.resize(1100, 800);
    f.window.show();
    f.window.ViewArea()->viewport()->grab();  // runs the view's paint
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Vantor - Windows Application for SLIDESHOW");
}

TEST(QtMainWindow, MenuTreeAndEnabling) {
    Frame f;
    QStringList titles;
    for (QAction* a : f.window.menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&View", "&Effect", "&Help"}));

    QAction* open = f.Item("&File", "&Open...");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QAction* exit = f.Item("&File", "E&xit");
    QAction* start = f.Item("&File", "Slide Show Start");
    QAction* fileHalt = f.Item("&File", "Slide Show Halt-Restart");
    QAction* fileAbort = f.Item("&File", "Slide Show Abort");
    QAction* viewHalt = f.Item("&View", "Slide Show Halt-Restart");
    QAction* speed = f.Item("&View", "Slide Show Speed");
    for (QAction* a : {exit, start, fileHalt, fileAbort, viewHalt, speed}) ASSERT_NE(a, nullptr);
    EXPECT_NE(fileHalt, viewHalt);
    ASSERT_NE(f.Item("&Help", "&About vantor..."), nullptr);
    ASSERT_NE(f.Item("&Effect", "Show Selected Directories"), nullptr);

    // Stopped: Start and Exit enabled, Halt-Restart and Abort grey.
    EXPECT_TRUE(exit->isEnabled());
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(fileHalt->isEnabled());
    EXPECT_FALSE(fileAbort->isEnabled());
    EXPECT_FALSE(viewHalt->isEnabled());
    EXPECT_TRUE(speed->isEnabled());

    // A show running: refreshed when the menu opens.
    f.view.m_stopped = 0;
    emit f.Menu("&File")->aboutToShow();
    emit f.Menu("&View")->aboutToShow();
    EXPECT_FALSE(start->isEnabled());
    EXPECT_FALSE(exit->isEnabled());
    EXPECT_TRUE(fileAbort->isEnabled());
    EXPECT_TRUE(fileHalt->isEnabled());
    EXPECT_TRUE(viewHalt->isEnabled());
    EXPECT_TRUE(speed->isEnabled());
}

TEST(QtMainWindow, EffectTogglesAreCheckedAsTheViewSays) {
    Frame f;
    QAction* background = f.Item("&Effect", "&Background color ( Gray or Black or White / Toggle sw) ");
    ASSERT_NE(background, nullptr);
    EXPECT_FALSE(background->isChecked());  // background gray at start
    f.view.m_backColor = 3;
    background->trigger();  // 3 -> 0, which is the checked state
    EXPECT_EQ(f.view.m_backColor, 0);
    EXPECT_TRUE(background->isChecked());
}

TEST(QtMainWindow, ToolbarAndStatusBarToggles) {
    Frame f;
    f.window.show();
    QAction* toolbar = f.Item("&View", "&Toolbar");
    QAction* statusBar = f.Item("&View", "&Status Bar");
    ASSERT_NE(toolbar, nullptr);
    ASSERT_NE(statusBar, nullptr);
    EXPECT_TRUE(toolbar->isChecked());
    toolbar->trigger();
    EXPECT_TRUE(f.window.ToolBar()->isHidden());
    EXPECT_FALSE(toolbar->isChecked());
    statusBar->trigger();
    EXPECT_TRUE(f.window.statusBar()->isHidden());
    statusBar->trigger();
    EXPECT_FALSE(f.window.statusBar()->isHidden());

    QStringList tips;
    for (QAction* a : f.window.ToolBar()->actions()) tips << (a->isSeparator() ? QString("|") : a->toolTip());
    EXPECT_EQ(tips, (QStringList{"Open...", "|", "Save RGB As...", "Save As Jpeg Grayscale...", "Save 1,4,8 bit BMP...",
                                 "|", "Get Dimensions (JPG)", "About vantor..."}));
}

TEST(QtMainWindow, StatusBarPanes) {
    Frame f;
    StatusPanes* panes = f.window.Panes();
    ASSERT_EQ(StatusPanes::kCount, 7);
    EXPECT_EQ(panes->Pane(0)->width(), 800);
    EXPECT_EQ(panes->Pane(1)->width(), 300);
    QStringList indicators;
    for (int i = 2; i < 7; ++i) indicators << panes->Pane(i)->text();
    EXPECT_EQ(indicators, (QStringList{"CAP", "NUM", "SCRL", "OVR", "REC"}));
    f.ui.SetStatusPane(1, "( state  0 )");
    EXPECT_EQ(panes->Pane(1)->text().toStdString(), "( state  0 )");
}

TEST(QtProgressStatusBar, MeterFillsTheLastNinth) {
    test::TestApp();
    CProgressStatusBar line;
    line.show();
    line.resize(900, 24);
    EXPECT_EQ(line.PartLeft(1), 800);
    EXPECT_EQ(line.Meter()->geometry(), QRect(800, 0, 100, 24));
    line.resize(10, 24);
    EXPECT_EQ(line.Meter()->x(), 9);
    EXPECT_EQ(line.Meter()->width(), 1);

    EXPECT_EQ(line.PartText(0).toStdString(),
              "When running L Click->halt : L Click again->restart / When halt R Click or SpaceBar...backward<- : "
              "anyKey...ahead->");
    EXPECT_TRUE(line.PartText(1).isEmpty());
    EXPECT_EQ(line.font().pixelSize(), 12);
    EXPECT_TRUE(QFontInfo(line.font()).family().startsWith("IPA"));
    EXPECT_EQ(line.Meter()->minimum(), 0);
    EXPECT_EQ(line.Meter()->maximum(), 10);
    EXPECT_EQ(line.Meter()->value(), 0);
}

TEST(QtProgressStatusBar, UiDrivesTheMeter) {
    Frame f;
    QProgressBar* meter = f.window.ProgressLine()->Meter();
    for (int i = 0; i < 3; ++i) f.ui.ProgressStep();
    EXPECT_EQ(meter->value(), 3);
    f.ui.ProgressSetPos(10);
    f.ui.ProgressStep();  // past the top: starts again from the bottom
    EXPECT_EQ(meter->value(), 0);
}

TEST(QtMainWindow, CloseWhileTheViewIsBusyWaitsForTheCallToReturn) {
    Frame f;
    f.window.show();
    bool visibleAfterClose = false;
    f.window.CallView([&] {
        f.window.close();
        visibleAfterClose = f.window.isVisible();
    });
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_TRUE(f.view.CloseRequested());
    EXPECT_FALSE(f.window.isVisible());
}

TEST(QtMainWindow, ExitPostsAClose) {
    Frame f;
    f.window.show();
    f.Item("&File", "E&xit")->trigger();
    EXPECT_TRUE(f.window.isVisible());  // queued
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.window.isVisible());
}

TEST(QtViewWidget, KeysBecomeVirtualKeyCodes) {
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Escape, Qt::NoModifier), 27u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Space, Qt::NoModifier), 32u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Return, Qt::NoModifier), 13u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Enter, Qt::KeypadModifier), 13u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_A, Qt::NoModifier), 65u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Z, Qt::ShiftModifier), 90u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_7, Qt::NoModifier), 55u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_7, Qt::KeypadModifier), 103u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_F1, Qt::NoModifier), 112u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Left, Qt::NoModifier), 37u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Down, Qt::NoModifier), 40u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Backspace, Qt::NoModifier), 8u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Tab, Qt::NoModifier), 9u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Delete, Qt::NoModifier), 46u);
    // Every key is "any key" for a running show; Alt stays with the menu.
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Shift, Qt::ShiftModifier), 16u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Control, Qt::ControlModifier), 17u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Adiaeresis, Qt::NoModifier), 229u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Kanji, Qt::NoModifier), 229u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_MediaPlay, Qt::NoModifier), 179u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_unknown, Qt::NoModifier), 229u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_Alt, Qt::AltModifier), 0u);
    EXPECT_EQ(VirtualKeyFor(Qt::Key_F, Qt::AltModifier), 0u);
}

TEST(QtViewWidget, ShiftAndForeignKeysReachARunningShow) {
    Frame f;
    f.window.show();
    for (int key : {int(Qt::Key_Shift), int(Qt::Key_Odiaeresis), int(Qt::Key_VolumeUp)}) {
        f.view.m_stopped = 0;
        f.view.m_haltState = 0;
        // A running show asks whether to stop on any key; Cancel means stop.
        test::AnswerNextModal([](QWidget& modal) { dynamic_cast<QDialog&>(modal).reject(); });
        QKeyEvent press(QEvent::KeyPress, key, key == Qt::Key_Shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCoreApplication::sendEvent(f.window.ViewArea(), &press);
        EXPECT_EQ(f.view.m_stopped, 1) << key;
    }
}

TEST(QtViewWidget, APaintWithoutEraseKeepsThePreviousPicture) {
    Frame f;
    f.window.resize(1100, 800);
    f.window.show();
    // A red picture on screen.
    RgbBuffer red = AllocRgb(400, 300);
    std::fill(red.get(), red.get() + 400 * 300 * 3, std::uint8_t{0});
    for (std::size_t i = 0; i < 400u * 300u; ++i) red[3 * i + 2] = 255;
    f.view.m_buf.Replace(std::move(red), 400, 300);
    f.view.m_slides.m_slideCount = 3;
    f.view.InvalidateView(true);
    QWidget* viewport = f.window.ViewArea()->viewport();
    const QPoint middle(viewport->width() / 2, viewport->height() / 2);
    EXPECT_EQ(viewport->grab().toImage().pixelColor(middle), QColor(255, 0, 0));
    // A slide that failed silently: no picture, a repaint without erase. The
    // previous picture stays visible under the new header.
    f.view.m_buf.Clear();
    f.view.InvalidateView(false);
    EXPECT_EQ(viewport->grab().toImage().pixelColor(middle), QColor(255, 0, 0));
    // An erase clears it.
    f.view.InvalidateView(true);
    EXPECT_EQ(viewport->grab().toImage().pixelColor(middle), QColor(255, 255, 255));
}

TEST(QtViewWidget, ScrollsOverSixThousandPixels) {
    Frame f;
    f.window.resize(1100, 800);
    f.window.show();
    const QSize client = f.window.ViewArea()->viewport()->size();
    EXPECT_EQ(f.ui.ClientSize().cx, client.width());
    EXPECT_EQ(f.window.ViewArea()->horizontalScrollBar()->maximum(), 6000 - client.width());
    EXPECT_EQ(f.window.ViewArea()->verticalScrollBar()->maximum(), 6000 - client.height());
    EXPECT_EQ(f.ui.ScrollPosition().x, 0);
}

}  // namespace
}  // namespace vantor
