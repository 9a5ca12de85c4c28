// The scrolling view window: paints through the view's OnDraw and hands mouse
// buttons and keys to it. Every call into the view goes through `call`, so the
// main window knows when the view is busy.
#pragma once

#include <QAbstractScrollArea>
#include <functional>

#include "platform/qt/QtCanvas.h"

namespace vantor {

class CVantorView;

// The Windows virtual-key code of a Qt key, or 0 for keys the view never sees
// (pure modifiers, keys without a code).
unsigned VirtualKeyFor(int qtKey, Qt::KeyboardModifiers modifiers);

class ViewWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    using CallView = std::function<void(const std::function<void()>&)>;

    ViewWidget(CVantorView& view, CallView call, QWidget* parent = nullptr);

    static constexpr int kScrollExtent = 6000;

    // The 5 ms timer the long loops set on the view; its ticks do nothing.
    void SetTimer(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void UpdateScrollRange();

    CVantorView& m_view;
    CallView m_call;
    ScaledImageCache m_cache;
    int m_timerId = 0;
};

}  // namespace vantor
