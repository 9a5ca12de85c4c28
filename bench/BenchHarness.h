// A view under the scripted Ui whose paints go into a window-sized image through
// the Qt canvas, as the window would show them: what the show benchmarks time.
#pragma once

#include <QImage>
#include <QPainter>
#include <sstream>

#include "platform/qt/QtCanvas.h"
#include "platform/script/ScriptUi.h"
#include "viewer/CVantorView.h"

namespace vantor::bench {

// A view whose paints go into a window-sized image, as the window would show them.
struct Harness {
    std::ostringstream transcript;
    ScriptUi ui{transcript};
    ScopedUi scope{ui};
    CVantorView view;
    QImage window{1000, 700, QImage::Format_RGB32};
    ScaledImageCache cache;

    Harness() {
        ui.SetClientSize(window.width(), window.height());
        ui.paint = [this](Canvas&) { Paint(); };
    }
    void Paint() {
        QPainter painter(&window);
        QtCanvas canvas(painter, &cache);
        view.OnDraw(canvas);
    }
};

}  // namespace vantor::bench
