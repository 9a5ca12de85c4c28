// The scrolling view window: paints through the view's OnDraw and hands mouse
// buttons and keys to it. Every call into the view goes through `call`, so the
// main window knows when the view is busy.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <functional>

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

    static constexpr int kScrollExtent = 6000;

    // The 5 ms timer the long loops set on the view; its ticks do nothing.
    void SetTimer(bool on);

    // Asks for a repaint. Without erase the paint draws over the last frame, so
    // whatever the view leaves undrawn (the previous picture, when a slide failed
    // to load) stays visible; with erase it starts from a clear window.
    void Invalidate(bool erase);

    // Called after every paint has reached the window: the moment a slide is on
    // screen, for whoever measures the pace of a show.
    std::function<void()> painted;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void UpdateScrollRange();

    CVantorView& m_view;
    CallView m_call;
    ScaledImageCache m_cache;
    QImage m_frame;  // the last frame painted, kept until an erase
    bool m_erasePending = true;
    int m_timerId = 0;
};

}  // namespace vantor
