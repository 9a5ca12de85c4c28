#include "platform/qt/ViewWidget.h"

#include <QApplication>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "viewer/CVantorView.h"

namespace vantor {

unsigned VirtualKeyFor(int qtKey, Qt::KeyboardModifiers modifiers) {
    // Alt and Alt combinations belong to the menu bar, as system keys do.
    if (qtKey == Qt::Key_Alt || qtKey == Qt::Key_AltGr || modifiers.testFlag(Qt::AltModifier)) return 0;
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 96 + static_cast<unsigned>(qtKey - Qt::Key_0);
        switch (qtKey) {
            case Qt::Key_Asterisk: return 106;
            case Qt::Key_Plus: return 107;
            case Qt::Key_Minus: return 109;
            case Qt::Key_Period: return 110;
            case Qt::Key_Slash: return 111;
            default: break;
        }
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<unsigned>(qtKey);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<unsigned>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + static_cast<unsigned>(qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return 9;
        case Qt::Key_Clear: return 12;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Pause: return 19;
        case Qt::Key_CapsLock: return 20;
        case Qt::Key_Escape: return 27;
        case Qt::Key_Space: return 32;
        case Qt::Key_PageUp: return 33;
        case Qt::Key_PageDown: return 34;
        case Qt::Key_End: return 35;
        case Qt::Key_Home: return 36;
        case Qt::Key_Left: return 37;
        case Qt::Key_Up: return 38;
        case Qt::Key_Right: return 39;
        case Qt::Key_Down: return 40;
        case Qt::Key_Print: return 44;
        case Qt::Key_Insert: return 45;
        case Qt::Key_Delete: return 46;
        case Qt::Key_Menu: return 93;
        case Qt::Key_NumLock: return 144;
        case Qt::Key_ScrollLock: return 145;
        // Shifted digits on a US layout report their symbol; Windows reports the digit key.
        case Qt::Key_Exclam: return '1';
        case Qt::Key_At: return '2';
        case Qt::Key_NumberSign: return '3';
        case Qt::Key_Dollar: return '4';
        case Qt::Key_Percent: return '5';
        case Qt::Key_AsciiCircum: return '6';
        case Qt::Key_Ampersand: return '7';
        case Qt::Key_ParenLeft: return '9';
        case Qt::Key_ParenRight: return '0';
        case Qt::Key_Semicolon:
        case Qt::Key_Colon: return 186;
        case Qt::Key_Equal: return 187;
        // + is told from =, wherever a keyboard has it, as the keypad's +.
        case Qt::Key_Plus: return 107;
        case Qt::Key_Comma:
        case Qt::Key_Less: return 188;
        case Qt::Key_Minus:
        case Qt::Key_Underscore: return 189;
        case Qt::Key_Period:
        case Qt::Key_Greater: return 190;
        case Qt::Key_Slash:
        case Qt::Key_Question: return 191;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde: return 192;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft: return 219;
        case Qt::Key_Backslash:
        case Qt::Key_Bar: return 220;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight: return 221;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl: return 222;
        case Qt::Key_Asterisk: return '8';
        case Qt::Key_Shift: return 16;
        case Qt::Key_Control: return 17;
        case Qt::Key_Meta:
        case Qt::Key_Super_L: return 91;
        case Qt::Key_Super_R: return 92;
        case Qt::Key_VolumeMute: return 173;
        case Qt::Key_VolumeDown: return 174;
        case Qt::Key_VolumeUp: return 175;
        case Qt::Key_MediaNext: return 176;
        case Qt::Key_MediaPrevious: return 177;
        case Qt::Key_MediaStop: return 178;
        case Qt::Key_MediaPlay:
        case Qt::Key_MediaPause:
        case Qt::Key_MediaTogglePlayPause: return 179;
        default: break;
    }
    // Every other key (letters of other alphabets, input-method and vendor keys)
    // still counts as "any key": the code an input method's key reports.
    return kOtherKey;
}

ViewWidget::ViewWidget(CVantorView& view, CallView call, QWidget* parent)
    : QAbstractScrollArea(parent), m_view(view), m_call(std::move(call)), m_metrics(CanvasFont()) {
    setFocusPolicy(Qt::StrongFocus);
    // Text composed by an input method arrives as such, not as key presses.
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setFocusProxy(this);
    // The paint covers the whole viewport from the kept frame: no background fill.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    // Always there, as a scrolling view's bars are: the client area never depends
    // on the picture it shows.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    UpdateScrollRange();
}

void ViewWidget::UpdateScrollRange() {
    const QSize page = viewport()->size();
    horizontalScrollBar()->setPageStep(page.width());
    verticalScrollBar()->setPageStep(page.height());
    if (m_rangeSet) return;
    horizontalScrollBar()->setRange(0, std::max(0, kScrollExtent - page.width()));
    verticalScrollBar()->setRange(0, std::max(0, kScrollExtent - page.height()));
}

void ViewWidget::SetScrollRange(int cx, int cy) {
    m_rangeSet = true;
    horizontalScrollBar()->setRange(0, std::max(0, cx));
    verticalScrollBar()->setRange(0, std::max(0, cy));
}

void ViewWidget::ScrollTo(int x, int y) {
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}

void ViewWidget::ScrollBy(int dx, int dy) {
    ScrollTo(horizontalScrollBar()->value() + dx, verticalScrollBar()->value() + dy);
}

void ViewWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void ViewWidget::scrollContentsBy(int, int) { Invalidate(true); }

void ViewWidget::Invalidate(bool erase) {
    m_erasePending = m_erasePending || erase;
    m_paintPending = true;
    viewport()->update();
}

void ViewWidget::FitFrame() {
    const QSize size = viewport()->size();
    if (m_frame.size() == size) return;
    m_frame = QImage(size, QImage::Format_RGB32);
    m_frame.fill(Qt::white);
    m_erasePending = true;
    m_paintPending = true;
}

int ViewWidget::TextWidth(const std::string& text) {
    // Without kerning the sum of the advances is what the cell measures, at a small
    // part of the cost of laying the text out.
    int width = 0;
    for (const QChar c : QString::fromStdString(text)) {
        auto [advance, added] = m_advances.try_emplace(c.unicode(), 0);
        if (added) advance->second = m_metrics.horizontalAdvance(c);
        width += advance->second;
    }
    return width;
}

void ViewWidget::ClientTextOut(int x, int y, const std::string& text, Rgb color, Rgb cell) {
    // A search draws several lines per folder, far more often than the window shows
    // a frame: a text whose cell a later one covers whole is left out.
    const int width = TextWidth(text);
    m_clientTexts.erase(
        std::remove_if(m_clientTexts.begin(), m_clientTexts.end(),
                       [&](const ClientText& t) { return t.y == y && t.x >= x && t.x + t.width <= x + width; }),
        m_clientTexts.end());
    m_clientTexts.push_back({x, y, text, width, color, cell});
    // A run that does not let the window show its frame for long keeps no long list.
    if (m_clientTexts.size() >= 1024) DrawClientTexts();
    viewport()->update();
}

void ViewWidget::DrawClientTexts() {
    if (m_clientTexts.empty()) return;
    FitFrame();
    {
        QPainter painter(&m_frame);
        QtCanvas canvas(painter);
        for (const ClientText& t : m_clientTexts) {
            canvas.TextOutOpaque(t.x, t.y, t.text, t.color, t.cell);
        }
    }
    m_clientTexts.clear();
}

void ViewWidget::paintEvent(QPaintEvent*) {
    FitFrame();
    if (m_erasePending) {
        m_clientTexts.clear();  // drawn before the erase: erased with the rest
        m_frame.fill(Qt::white);
        m_erasePending = false;
    }
    // Drawn before this paint was let through, so the paint draws over them.
    DrawClientTexts();
    // Only a repaint request runs the view's paint: an expose, or what was drawn
    // outside the paint, shows the frame as it stands.
    const bool viewPaint = m_paintPending;
    if (viewPaint) {
        m_paintPending = false;
        QPainter painter(&m_frame);
        QtCanvas canvas(painter, &m_cache);
        m_view.OnDraw(canvas);
    }
    QPainter(viewport()).drawImage(0, 0, m_frame);
    if (viewPaint && painted) painted();
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // The left button halts a show; when no run goes, dragging with it pans.
        if (m_view.NoRunGoing()) {
            m_dragging = true;
            m_dragFrom =
                event->position().toPoint() + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
            if (horizontalScrollBar()->maximum() > 0 || verticalScrollBar()->maximum() > 0)
                viewport()->setCursor(Qt::ClosedHandCursor);
        }
        m_call([this] { m_view.OnLButtonDown(); });
    } else if (event->button() == Qt::RightButton) {
        m_call([this] { m_view.OnRButtonDown(); });
    } else {
        QAbstractScrollArea::mousePressEvent(event);
    }
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint to = m_dragFrom - event->position().toPoint();
    ScrollTo(to.x(), to.y());
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging) return;
    m_dragging = false;
    viewport()->unsetCursor();
}

void ViewWidget::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        // Whole notches zoom; a fine wheel's small turns add up to them.
        m_zoomTurn += delta.y();
        const int notches = m_zoomTurn / QWheelEvent::DefaultDeltasPerStep;
        m_zoomTurn -= notches * QWheelEvent::DefaultDeltasPerStep;
        const QPoint at = event->position().toPoint();
        if (notches != 0) m_call([this, notches, at] { m_view.OnZoomWheel(notches, at.x(), at.y()); });
        return;
    }
    // The wheel moves the picture a few lines a notch: down, or across with Shift
    // (or a wheel that turns sideways).
    QPoint move = delta;
    if (event->modifiers() & Qt::ShiftModifier) move = QPoint(delta.y() != 0 ? delta.y() : delta.x(), 0);
    const int perNotch = QApplication::wheelScrollLines() * verticalScrollBar()->singleStep();
    ScrollBy(-move.x() * perNotch / QWheelEvent::DefaultDeltasPerStep,
             -move.y() * perNotch / QWheelEvent::DefaultDeltasPerStep);
}

void ViewWidget::keyPressEvent(QKeyEvent* event) {
    const unsigned vk = VirtualKeyFor(event->key(), event->modifiers());
    if (vk == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    m_call([this, vk] { m_view.OnKeyDown(vk); });
}

void ViewWidget::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) m_call([this] { m_view.OnKeyDown(kOtherKey); });
    event->accept();
}

// Tab is a key like any other for the view, not a focus move.
bool ViewWidget::focusNextPrevChild(bool) { return false; }

void ViewWidget::SetTimer(bool on) {
    if (on && m_timerId == 0) {
        m_timerId = startTimer(5);
    } else if (!on && m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
}

void ViewWidget::timerEvent(QTimerEvent*) {}

}  // namespace vantor
