// The scrolling view window: paints through the view's OnDraw and hands mouse
// buttons and keys to it. Every call into the view goes through `call`, so the
// main window knows when the view is busy.
#pragma once

#include <QAbstractScrollArea>
#include <QFontMetrics>
#include <QImage>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/qt/QtCanvas.h"

namespace vantor {

class CVantorView;

// The Windows virtual-key code of a Qt key; 0 for Alt and Alt combinations, which
// the menu bar takes. A key without a code of its own gets kOtherKey.
inline constexpr unsigned kOtherKey = 229;
unsigned VirtualKeyFor(int qtKey, Qt::KeyboardModifiers modifiers);

class ViewWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    using CallView = std::function<void(const std::function<void()>&)>;

    ViewWidget(CVantorView& view, CallView call, QWidget* parent = nullptr);

    // The scroll range until the view first sets one.
    static constexpr int kScrollExtent = 6000;
    // How far the view scrolls each way, and where it is; a change of position
    // repaints from a clear window.
    void SetScrollRange(int cx, int cy);
    void ScrollTo(int x, int y);
    void ScrollBy(int dx, int dy);

    // The 5 ms timer the long loops set on the view; its ticks do nothing.
    void SetTimer(bool on);

    // Asks for a repaint. Without erase the paint draws over the last frame, so
    // whatever the view leaves undrawn (the previous picture, when a slide failed
    // to load) stays visible; with erase it starts from a clear window.
    void Invalidate(bool erase);
    // True from a repaint request until the view's paint has run.
    bool PaintPending() const { return m_paintPending; }
    // What the window shows.
    const QImage& Frame() const { return m_frame; }
    // Text drawn onto the window outside the view's paint, in color on a cell of its
    // own size; shown at the next event processing, without the view's paint.
    void ClientTextOut(int x, int y, const std::string& text, Rgb color, Rgb cell);

    // Called after each paint of the view has reached the window: the moment a
    // slide is on screen, for whoever measures the pace of a show.
    std::function<void()> painted;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void UpdateScrollRange();
    // Keeps the frame the size of the viewport; a new frame needs an erase and the
    // view's paint.
    void FitFrame();
    // Draws the texts drawn since the frame was last shown onto it, in their order.
    void DrawClientTexts();
    // The width of a text's cell in the canvas font, from the advances of its characters.
    int TextWidth(const std::string& text);

    CVantorView& m_view;
    CallView m_call;
    ScaledImageCache m_cache;
    QImage m_frame;  // what is on screen: the last paint and what was drawn since
    bool m_erasePending = true;
    bool m_paintPending = true;
    struct ClientText {
        int x = 0;
        int y = 0;
        std::string text;
        int width = 0;
        Rgb color;
        Rgb cell;
    };
    std::vector<ClientText> m_clientTexts;  // drawn since the frame was last shown
    QFontMetrics m_metrics;                 // of the canvas font
    std::unordered_map<char16_t, int> m_advances;
    int m_timerId = 0;
    bool m_rangeSet = false;  // by the view
    bool m_dragging = false;
    QPoint m_dragFrom;   // where the drag began, in the scrolled picture's coordinates
    int m_zoomTurn = 0;  // of the wheel with Ctrl, not yet a whole notch
};

}  // namespace vantor
