// Full screen and fit to the window, as the user sees them: the window's size and
// bars, the keys that leave full screen, and the extent of the painted picture.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <optional>

#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/ProgressStatusBar.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/ViewWidget.h"
#include "qt/QtTestApp.h"
#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {
namespace {

void Settle() {
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
}

struct Window : test::ShownWindow {
    explicit Window(QSize size) : ShownWindow(size) {
        window.activateWindow();
        Settle();
    }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(window.ViewArea(), &press);
        Settle();
    }
    QSize Client() const { return window.ViewArea()->viewport()->size(); }
    QImage Shown() const {
        Settle();
        return window.ViewArea()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Where the (red) picture is on screen.
    QRect PictureExtent() const {
        const QImage shown = Shown();
        QRect extent;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QColor c = shown.pixelColor(x, y);
                if (c.red() > 220 && c.green() < 40 && c.blue() < 40) extent |= QRect(x, y, 1, 1);
            }
        }
        return extent;
    }
};

// Answers the questions an Esc asks during a run with OK (go on), noting them.
struct ModalWatch {
    QTimer timer;
    bool asked = false;
    ModalWatch() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            asked = asked || modal != nullptr;
            if (auto* box = qobject_cast<QMessageBox*>(modal)) box->accept();
            if (auto* dialog = dynamic_cast<QtDialog*>(modal)) dialog->ClickControl(kIdOk);
        });
        timer.start();
    }
};

TEST(QtWindowModes, FullScreenCoversTheScreenAndLeavesByKeyOrMenu) {
    enum class Run { None, Show, HaltedShow, Search, Sort };
    struct Case {
        const char* name;
        bool enterByKey;  // F11, or the menu item
        Run run;
        int leaveKey;  // 0: the menu item
        bool leaves;   // else Esc asks its question and full screen stays
    };
    const Case cases[] = {
        {"F11, F11", true, Run::None, Qt::Key_F11, true},
        {"menu, Esc", false, Run::None, Qt::Key_Escape, true},
        {"F11, menu", true, Run::None, 0, true},
        {"F11 in a show toggles", false, Run::Show, Qt::Key_F11, true},
        {"Esc in a show", false, Run::Show, Qt::Key_Escape, false},
        {"Esc in a halted show", false, Run::HaltedShow, Qt::Key_Escape, false},
        {"Esc in a search", false, Run::Search, Qt::Key_Escape, false},
        {"Esc in a sort", false, Run::Sort, Qt::Key_Escape, false},
    };
    test::TestApp();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (const Case& c : cases) {
        Window w(QSize(640, 480));
        ASSERT_EQ(QApplication::activeWindow(), &w.window) << "the shortcuts need the active window";
        w.window.ToolBar()->hide();  // the user's choice outlives full screen
        QAction* item = w.window.Action(ID_VIEW_FULL_SCREEN);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->shortcut(), QKeySequence(Qt::Key_F11));
        const auto expectFullScreen = [&](bool on) {
            EXPECT_EQ(w.window.geometry() == screen, on) << c.name;
            EXPECT_EQ(w.Client() == screen.size(), on) << c.name << ": no scroll bars or border either";
            EXPECT_EQ(w.window.menuBar()->isHidden(), on) << c.name;
            EXPECT_EQ(w.window.statusBar()->isHidden(), on) << c.name;
            EXPECT_EQ(w.window.ProgressLine()->isHidden(), on) << c.name;
            EXPECT_TRUE(w.window.ToolBar()->isHidden()) << c.name;
            EXPECT_EQ(item->isChecked(), on) << c.name;
            EXPECT_TRUE(on || w.window.size() == QSize(640, 480)) << c.name;
        };
        expectFullScreen(false);
        c.enterByKey ? w.Key(Qt::Key_F11) : (item->trigger(), Settle());
        expectFullScreen(true);

        w.view.m_stopped = c.run == Run::Show || c.run == Run::HaltedShow ? 0 : 1;
        w.view.m_haltState = c.run == Run::HaltedShow ? 1 : 0;
        w.view.m_sorting = c.run == Run::Sort ? 1 : 0;
        w.view.m_searching = c.run == Run::Search ? 1 : 0;
        std::optional<CVantorView::LongRun> longRun;
        if (c.run == Run::Search || c.run == Run::Sort) longRun.emplace(w.view);
        ModalWatch watch;
        c.leaveKey != 0 ? w.Key(c.leaveKey) : (item->trigger(), Settle());
        EXPECT_EQ(watch.asked, !c.leaves) << c.name;
        EXPECT_EQ(w.view.m_stopped, c.run == Run::Show || c.run == Run::HaltedShow ? 0 : 1) << c.name << ": went on";
        longRun.reset();
        w.view.m_stopped = 1;
        expectFullScreen(!c.leaves);
    }
}

TEST(QtWindowModes, FitToWindowFollowsTheClientAreaOnEveryResize) {
    // A 4:3 picture that the 800 x 600 frame shrinks, decoded reduced for the
    // smallest window first: every larger one needs more of its pixels.
    test::TempDir dir;
    const std::string path = dir.File("red.jpg");
    std::vector<std::uint8_t> red(1600 * 1200 * 3, 0);
    for (std::size_t i = 0; i < red.size(); i += 3) red[i] = 255;
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, red.data(), 1600, 1200, true, 95));

    Window w(QSize(500, 400));
    QAction* item = w.window.Action(ID_VIEW_FIT_WINDOW);
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    w.view.LoadJpegFile(path);
    w.view.InvalidateView(true);

    struct Step {
        QSize window;
        bool fullScreen;
    };
    for (const Step s :
         {Step{{500, 400}, false}, Step{{1300, 700}, false}, Step{{900, 1000}, false}, Step{{900, 1000}, true}}) {
        if (s.fullScreen) {
            w.Key(Qt::Key_F11);
            EXPECT_EQ(w.Client(), QGuiApplication::primaryScreen()->size());
        } else {
            w.window.resize(s.window);
            Settle();
        }
        const QSize client = w.Client();
        // 30 pixels inside each edge of a window, to the edges of the screen; keeping 4:3, centred.
        const int margin = s.fullScreen ? 0 : 60;
        const double scale = std::min((client.width() - margin) / 1600.0, (client.height() - margin) / 1200.0);
        const QRect extent = w.PictureExtent();
        const std::string at = std::to_string(client.width()) + " x " + std::to_string(client.height());
        EXPECT_NEAR(extent.width(), 1600 * scale, 2.5) << at;
        EXPECT_NEAR(extent.height(), 1200 * scale, 2.5) << at;
        EXPECT_NEAR(extent.left(), client.width() - 1 - extent.right(), 2) << at;
        EXPECT_NEAR(extent.top(), client.height() - 1 - extent.bottom(), 2) << at;
        EXPECT_GE(w.view.m_buf.PixelWidth() + 2, static_cast<std::uint32_t>(extent.width())) << at << ": decoded again";
    }

    // Off (as by default): the scale dialog's frame, whatever the window.
    w.Key(Qt::Key_F11);
    w.window.resize(1100, 800);
    item->trigger();
    Settle();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(w.PictureExtent().size(), QSize(800, 600));
}

TEST(QtWindowModes, FullScreenShowsThePictureAloneCentredOnBlack) {
    struct Case {
        const char* name;
        bool fitWindow;
        bool haltedShow;  // i is then a step forward, as any key
    };
    const Case cases[] = {
        {"the scale dialog's frame", false, false},
        {"fit to window", true, false},
        {"a halted show", false, true},
    };
    // 16:9, larger than the frame and the screen.
    test::TempDir dir;
    const std::string path = dir.File("red.jpg");
    std::vector<std::uint8_t> red(1920 * 1080 * 3, 0);
    for (std::size_t i = 0; i < red.size(); i += 3) red[i] = 255;
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, red.data(), 1920, 1080, true, 95));
    test::TestApp();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const double scale = std::min(screen.width() / 1920.0, screen.height() / 1080.0);
    const QSize fitted(static_cast<int>(1920 * scale), static_cast<int>(1080 * scale));
    for (const Case& c : cases) {
        Window w(QSize(1100, 800));
        if (c.fitWindow) w.view.OnFitWindow();
        w.view.OnBackgroundToggle();  // from gray to black,
        w.view.OnBackgroundToggle();  // to white in the window
        w.view.LoadJpegFile(path);
        w.view.InvalidateView(true);
        w.view.m_stopped = c.haltedShow ? 0 : 1;
        w.view.m_haltState = c.haltedShow ? CVantorView::kHaltHalted : CVantorView::kHaltRunning;
        const QRect inWindow = w.PictureExtent();
        const QRgb white = qRgb(255, 255, 255);
        EXPECT_EQ(w.Shown().pixel(2, w.Client().height() / 2), white) << c.name;

        w.Key(Qt::Key_F11);
        ASSERT_EQ(w.Client(), screen) << c.name;
        const QRect centred(QPoint((screen.width() - fitted.width()) / 2, (screen.height() - fitted.height()) / 2),
                            fitted);
        // Everything but the picture is black: no texts until i asks for them.
        const auto outside = [&] {
            const QImage shown = w.Shown();
            int ink = 0;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    ink += !centred.adjusted(-1, -1, 1, 1).contains(x, y) && shown.pixel(x, y) != qRgb(0, 0, 0);
                }
            }
            return ink;
        };
        const QRect extent = w.PictureExtent();
        EXPECT_NEAR(extent.left(), centred.left(), 1) << c.name;
        EXPECT_NEAR(extent.top(), centred.top(), 1) << c.name;
        EXPECT_NEAR(extent.width(), centred.width(), 1) << c.name;
        EXPECT_NEAR(extent.height(), centred.height(), 1) << c.name;
        EXPECT_EQ(outside(), 0) << c.name;
        w.Key(Qt::Key_I);
        EXPECT_EQ(outside() > 0, !c.haltedShow) << c.name << ": the texts again";
        EXPECT_EQ(w.view.m_keyForwardRequest, c.haltedShow ? 1 : 0) << c.name;
        w.Key(Qt::Key_I);
        EXPECT_EQ(outside(), 0) << c.name;

        // Leaving brings back the window's fit and background.
        w.Key(Qt::Key_F11);
        EXPECT_EQ(w.PictureExtent(), inWindow) << c.name;
        EXPECT_EQ(w.Shown().pixel(2, w.Client().height() / 2), white) << c.name;
    }
}

}  // namespace
}  // namespace vantor
