// What the window shows, read from its pixels: text drawn outside the paint, the
// view after a search and a sort, the caption beside its own picture during a show
// and a write, the write run's texts in their colours, and the progress meter
// turned off during a wait.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>

#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "imaging/OrientedJpeg.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/ProgressStatusBar.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/ViewWidget.h"
#include "qt/QtTestApp.h"
#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {
namespace {

struct Window : test::ShownWindow {
    Window() : ShownWindow({1100, 800}) {
        Screen();  // the first paint
    }
    ViewWidget& Area() const { return *window.ViewArea(); }
    // What the window shows now, pending repaints done.
    QImage Screen() const { return Area().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The view's own paint alone, on a cleared window of the same size.
    QImage CleanPaint() {
        QImage clean(Area().Frame().size(), QImage::Format_RGB32);
        clean.fill(Qt::white);
        QPainter painter(&clean);
        PaintOnly canvas(painter);
        view.OnDraw(canvas);
        return clean;
    }

private:
    // The paint draws its texts without a cell: text on a cell of its own is drawn
    // from outside the paint (the runs' progress and write lines).
    struct PaintOnly : QtCanvas {
        explicit PaintOnly(QPainter& painter) : QtCanvas(painter, nullptr) {}
        void TextOutOpaque(int, int, const std::string&, Rgb, Rgb) override {}
    };
};

// Pixels of a part of the screen that are not white.
int Ink(const QImage& screen, const QRect& part) {
    int n = 0;
    const QRect r = part & screen.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) n += screen.pixel(x, y) != qRgb(255, 255, 255);
    }
    return n;
}

// Answers every modal window while it lives: OK (the default button), or what
// `special` does with it when it returns true.
class ModalAnswers {
public:
    explicit ModalAnswers(std::function<bool(QWidget&)> special) : m_special(std::move(special)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || (m_special && m_special(*modal))) return;
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                box->defaultButton()->click();
            } else if (auto* dialog = dynamic_cast<QtDialog*>(modal)) {
                dialog->ClickControl(IDOK);
            }
        });
        m_timer.start(5);
    }

private:
    std::function<bool(QWidget&)> m_special;
    QTimer m_timer;
};

TEST(QtViewDrawing, TextDrawnOutsideThePaintStandsOnACellOfItsOwnSize) {
    const std::string longer = "( /srv/pictures/2019/holiday/html/a32abf2c9d.bmp )";
    const std::string shorter = "( /srv/pictures/2019 )";
    struct Case {
        const char* what;
        std::vector<std::string> texts;  // drawn in turn at (6, 66)
        bool tailShows;                  // whether the longer text shows beyond the last one
    };
    const Case cases[] = {
        {"a blank line first erases the longer text", {longer, std::string(658, ' '), shorter}, false},
        {"without it the longer text's tail stays", {longer, shorter}, true},
    };
    for (const Case& c : cases) {
        Window w;
        // Where the last text ends, drawn alone on a row of its own.
        w.view.ClientTextOut(6, 300, c.texts.back());
        const QImage alone = w.Screen();
        int end = 0;
        for (int x = 0; x < alone.width(); ++x) {
            if (Ink(alone, QRect(x, 300, 1, 20)) > 0) end = x;
        }
        for (const std::string& text : c.texts) w.view.ClientTextOut(6, 66, text);
        const int tail = Ink(w.Screen(), QRect(end + 1, 66, 1000, 20));
        EXPECT_EQ(tail > 0, c.tailShows) << c.what;
    }

    // Text drawn during a search is no repaint: the header keeps the count it was
    // drawn with, instead of the new count piling onto it.
    Window w;
    const QRect header(0, 0, 1000, 30);
    const QImage before = w.Screen().copy(header);
    w.view.m_slides.m_slideCount = 81;
    w.view.ClientTextOut(6, 206, "( 検索された file数は...81 個です。 )");
    QCoreApplication::processEvents();
    const QImage after = w.Screen();
    EXPECT_TRUE(after.copy(header) == before);
    EXPECT_GT(Ink(after, QRect(0, 206, 1000, 20)), 0);
}

TEST(QtViewDrawing, SearchAndSortLeaveNoTextBehind) {
    test::TempDir dir;
    const std::filesystem::path root = std::filesystem::canonical(dir.path());
    std::filesystem::create_directories(root / "photos" / "html");
    for (int i = 0; i < 5; ++i) {
        test::WriteFile(
            (root / "photos" / "html" / ("a_picture_with_a_rather_long_name_" + std::to_string(i) + ".jpg")).string(),
            {});
    }
    Window w;
    const QRect header(0, 0, 1000, 30), below(0, 30, 1000, 400);
    const QImage headerBefore = w.Screen().copy(header);
    QImage headerAtEnd, row66AtEnd, row66Expected;
    int sortInk = 0;
    ModalAnswers answers([&](QWidget& modal) {
        if (auto* files = qobject_cast<QFileDialog*>(&modal)) {
            files->setDirectory(QString::fromStdString(root.string()));
            files->selectFile(QStringLiteral("MFC_DUMMY.JPG"));
            static_cast<QDialog*>(files)->accept();
            return true;
        }
        if (modal.windowTitle() == QStringLiteral("検索された file 数")) {
            // The file phase's last folder line, on the cell its blank line cleared.
            const QImage screen = w.Screen();
            headerAtEnd = screen.copy(header);
            row66AtEnd = screen.copy(0, 66, 1000, 20);
            const auto& row = w.view.Overlay().at(66);
            QImage expected(screen.size(), QImage::Format_RGB32);
            expected.fill(Qt::white);
            {
                QPainter painter(&expected);
                QtCanvas(painter, nullptr).TextOutOpaque(row.x, 66, row.text, Rgb{0, 0, 0}, Rgb{255, 255, 255});
            }
            row66Expected = expected.copy(0, 66, 1000, 20);
        }
        if (modal.windowTitle() == QStringLiteral("END of sorting")) sortInk = Ink(w.Screen(), below);
        return false;
    });

    w.window.Action(ID_SLIDESHOW_AUTO_SEARCH)->trigger();
    ASSERT_EQ(w.view.m_slides.m_slideCount, 5u);
    // While it ran, the view was not painted again over itself.
    EXPECT_TRUE(headerAtEnd == headerBefore);
    EXPECT_TRUE(row66AtEnd == row66Expected);
    EXPECT_EQ(Ink(w.Screen(), below), 0);  // erased at its end

    w.window.Action(ID_SLIDESHOW_FILE_SORT)->trigger();
    EXPECT_GT(sortInk, 0);  // its lines were on screen while it ran
    EXPECT_EQ(Ink(w.Screen(), below), 0);
}

// Solid pictures of 400 x 300, each of its own colour.
const QColor kColors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta, Qt::cyan};

std::vector<std::string> ColoredSlides(const test::TempDir& dir) {
    std::vector<std::string> paths;
    for (const QColor& color : kColors) {
        std::vector<std::uint8_t> rgb(400 * 300 * 3);
        for (std::size_t i = 0; i < rgb.size(); i += 3) {
            rgb[i] = static_cast<std::uint8_t>(color.red());
            rgb[i + 1] = static_cast<std::uint8_t>(color.green());
            rgb[i + 2] = static_cast<std::uint8_t>(color.blue());
        }
        paths.push_back(dir.File("s" + std::to_string(paths.size() + 1) + ".jpg"));
        EXPECT_TRUE(JpegFile::SaveFromRgb(paths.back(), rgb.data(), 400, 300, true, 92));
    }
    return paths;
}

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 16 && std::abs(a.green() - b.green()) < 16 &&
           std::abs(a.blue() - b.blue()) < 16;
}

TEST(QtViewDrawing, EveryFrameOfAShowOrAWriteNamesTheSlideItShows) {
    // At full speed; without the meter nothing else repaints the window in between.
    struct Case {
        bool writing;
        std::uint32_t progressMode;
    };
    for (const Case c : {Case{false, 0}, Case{false, 2}, Case{true, 0}, Case{true, 2}}) {
        test::TempDir dir;
        const auto paths = ColoredSlides(dir);
        Window w;
        for (std::uint32_t i = 0; i < paths.size(); ++i) w.view.m_slides.Store(i, paths[i]);
        w.view.m_slides.m_slideCount = static_cast<std::uint32_t>(paths.size());
        w.view.m_speed = 0;
        w.view.m_progressMode = c.progressMode;
        std::set<std::uint32_t> shown;
        std::vector<std::uint32_t> wrongPicture, notItsOwnPaint;
        w.Area().painted = [&] {
            CVantorView& v = w.view;
            if (v.m_stopped == 1 || !v.m_buf || v.m_slideNo < 1 || v.m_slideNo > paths.size()) return;
            const QImage& frame = w.Area().Frame();
            // The picture in the middle of the window, under the caption of slide m_slideNo.
            if (!Near(frame.pixelColor(frame.width() / 2, frame.height() / 2), kColors[v.m_slideNo - 1])) {
                wrongPicture.push_back(v.m_slideNo);
            }
            // Nothing on screen but what the paint of that slide draws.
            if (!(w.CleanPaint() == frame)) notItsOwnPaint.push_back(v.m_slideNo);
            shown.insert(v.m_slideNo);
        };
        if (c.writing) {
            w.view.m_outFolder = dir.File("");
            w.view.m_writeSourcePath = "at First";
            w.view.m_jumpTarget = 0;
            w.view.m_writeMode = 1;
            w.view.StartWriteRun();
        } else {
            w.window.Action(ID_SLIDESHOW_START)->trigger();
        }
        w.Area().painted = nullptr;
        const std::string run =
            (c.writing ? "write, meter mode " : "show, meter mode ") + std::to_string(c.progressMode);
        EXPECT_GE(shown.size(), paths.size() - 1) << run;
        EXPECT_TRUE(wrongPicture.empty()) << run << ": slide " << wrongPicture.front();
        EXPECT_TRUE(notItsOwnPaint.empty()) << run << ": slide " << notItsOwnPaint.front();
    }
}

// How far a pixel is from the blends of a cell's colour and its text's (the
// antialiased edges of the letters), the text's colour itself included.
int OffBlend(QColor p, QColor cell, QColor text) {
    const int pc[] = {p.red(), p.green(), p.blue()}, cc[] = {cell.red(), cell.green(), cell.blue()},
              tc[] = {text.red(), text.green(), text.blue()};
    double t = 0;  // how much of the text's colour, from the first channel where they differ
    for (int i = 0; i < 3; ++i) {
        if (tc[i] != cc[i]) {
            t = std::clamp(static_cast<double>(pc[i] - cc[i]) / (tc[i] - cc[i]), 0.0, 1.0);
            break;
        }
    }
    int worst = 0;
    for (int i = 0; i < 3; ++i)
        worst = std::max(worst, std::abs(pc[i] - static_cast<int>(std::lround(cc[i] + t * (tc[i] - cc[i])))));
    return worst;
}

// The write run's texts take the colours of the paint's own: the file's name, size
// and date those of the texts on the screen around the picture, the output size
// green; each stands on a cell of that screen's colour.
TEST(QtViewDrawing, TheWriteRunsTextsTakeThePaintsColoursOnCellsOfTheScreenAround) {
    test::TempDir dir;
    const std::string slide = ColoredSlides(dir).front();
    const QColor white(255, 255, 255), gray(200, 200, 200), black(0, 0, 0), green(0, 255, 0);
    struct Case {
        std::int32_t backColor;
        QColor cell, text;
    };
    for (const Case& c : {Case{0, white, gray}, Case{1, gray, white}, Case{2, white, black}, Case{3, black, white}}) {
        SCOPED_TRACE("background " + std::to_string(c.backColor));
        Window w;
        CVantorView& v = w.view;
        v.m_slides.Store(0, slide);
        v.m_slides.m_slideCount = v.m_slideNo = 1;
        v.m_strFile = v.m_curSlidePath = slide;
        v.m_writeSourcePath = "at First";
        v.m_outFolder = dir.File("");
        v.m_backColor = c.backColor;
        v.LoadJpegFile(slide);
        v.InvalidateView(true);
        w.Screen();
        CVantorView::SlideOutput output;
        ASSERT_TRUE(v.PrepareSlideOutput(output));
        const QImage screen = w.Screen();  // the texts over the slide's paint

        const QFontMetrics metrics(CanvasFont());
        const int bottom = screen.height();
        struct Line {
            int x, y;
            std::string text;
            QColor color;
        };
        struct stat st {};
        ASSERT_EQ(::stat(slide.c_str(), &st), 0);
        char when[32] = {};
        ctime_r(&st.st_mtime, when);
        when[24] = '\0';
        const Line lines[] = {{2, bottom - 40, slide, c.text},
                              {0, bottom - 80, "(Write_Size:  " + std::to_string(st.st_size) + " bytes )", c.text},
                              {0, bottom - 60, "(Write_Date:  " + std::string(when) + "  )", c.text},
                              {10, 580, "(800 x 600)", green}};
        for (const Line& line : lines) {
            SCOPED_TRACE(line.text);
            ASSERT_EQ(v.Overlay().count(line.y), 1u);
            ASSERT_EQ(v.Overlay().at(line.y).text, line.text);
            const QRect cell(line.x, line.y, metrics.horizontalAdvance(QString::fromStdString(line.text)),
                             metrics.height());
            int inked = 0, worst = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    const QColor p = screen.pixelColor(x, y);
                    worst = std::max(worst, OffBlend(p, c.cell, line.color));
                    inked += OffBlend(p, line.color, line.color) < 8;
                }
            }
            EXPECT_LT(worst, 8);
            EXPECT_GT(inked, 20);
            // The cell is opaque in its own colour: its bottom row (below every
            // glyph but a descender's) is mostly exactly that colour.
            int plain = 0;
            for (int x = cell.left(); x <= cell.right(); ++x) plain += screen.pixelColor(x, cell.bottom()) == c.cell;
            EXPECT_GT(plain, cell.width() / 2);
        }
    }
}

TEST(QtViewDrawing, TurningTheMeterOffDuringAWaitEmptiesItAtOnce) {
    test::TempDir dir;
    const auto paths = ColoredSlides(dir);
    Window w;
    for (std::uint32_t i = 0; i < 3; ++i) w.view.m_slides.Store(i, paths[i]);
    w.view.m_slides.m_slideCount = 3;
    w.view.m_speed = 255;  // 12.75 seconds between slides
    w.ui.ProgressSetPos(5);
    QProgressBar* meter = w.window.ProgressLine()->Meter();
    QAction* toggle = w.window.Action(ID_EFFECT_PROGRESS_BAR);
    int first = -1, second = -1;
    QTimer::singleShot(200, [&] {
        toggle->trigger();  // unchecked: the meter still steps
        first = meter->value();
        toggle->trigger();  // none
        second = meter->value();
        w.view.RequestClose();
    });
    w.window.Action(ID_SLIDESHOW_START)->trigger();
    EXPECT_EQ(w.view.m_progressMode, 2u);
    EXPECT_EQ(first, 5);
    EXPECT_EQ(second, 0);
}

// Photos stored on their side (64 x 32), opened from the command line with View >
// Rotate by EXIF Orientation on, and once off: the extent of the picture painted
// into a 400 x 400 frame (enlarged to fit) and the colours at its corners.
TEST(QtViewDrawing, PhotosStandUprightOnScreenWhenAsked) {
    test::TempDir dir;
    struct Case {
        int orientation;
        bool turn;
        test::Corners corners;  // 1 red, 2 green, 3 blue, 4 white
    };
    const Case cases[] = {{1, true, {1, 2, 3, 4}}, {2, true, {2, 1, 4, 3}}, {3, true, {4, 3, 2, 1}},
                          {4, true, {3, 4, 1, 2}}, {5, true, {1, 3, 2, 4}}, {6, true, {3, 1, 4, 2}},
                          {7, true, {4, 2, 3, 1}}, {8, true, {2, 4, 1, 3}}, {6, false, {1, 2, 3, 4}}};
    Window w;
    w.view.m_output.m_maxWidth = w.view.m_output.m_maxHeight = 400;
    w.view.m_output.m_outScaleMode = 2;
    w.view.m_progressMode = 2;  // no texts over the window but the slide number
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.orientation) + (c.turn ? " turned" : " as stored"));
        const std::string path = dir.File("photo" + std::to_string(c.orientation) + ".jpeg");
        test::WriteOrientedJpeg(path, 64, 32, c.orientation);
        if (w.view.m_autoRotate != c.turn) w.window.Action(ID_VIEW_AUTO_ROTATE)->trigger();
        ASSERT_EQ(w.view.IsCommandChecked(ID_VIEW_AUTO_ROTATE), c.turn);
        w.view.OnCommandLine({path});
        const QImage screen = w.Screen();
        const auto colour = [&](int x, int y) {
            const QRgb p = screen.pixel(x, y);
            return test::ColourOf(qRed(p), qGreen(p), qBlue(p));
        };
        QRect extent;
        for (int y = 25; y < screen.height(); ++y) {
            for (int x = 0; x < screen.width(); ++x) {
                if (colour(x, y) != 0) extent |= QRect(x, y, 1, 1);
            }
        }
        const bool across = c.turn && c.orientation >= 5;
        EXPECT_NEAR(extent.width(), across ? 200 : 400, 2);
        EXPECT_NEAR(extent.height(), across ? 400 : 200, 2);
        const int l = extent.left() + extent.width() / 4, r = extent.right() - extent.width() / 4;
        const int t = extent.top() + extent.height() / 4, b = extent.bottom() - extent.height() / 4;
        EXPECT_EQ((test::Corners{colour(l, t), colour(r, t), colour(l, b), colour(r, b)}), c.corners);
    }
}

}  // namespace
}  // namespace vantor
