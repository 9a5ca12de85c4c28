// The one QApplication the widget tests share (offscreen platform).
#pragma once

#include <QApplication>
#include <QSize>
#include <functional>

#include "platform/qt/MainWindow.h"
#include "platform/qt/QtUi.h"
#include "viewer/CVantorView.h"

namespace vantor::test {

QApplication& TestApp();

// Runs `answer` on the next modal window that opens (a message box, a dialog),
// from inside its modal loop.
void AnswerNextModal(std::function<void(QWidget&)> answer);

// The program's main window on a view, shown at a size, as the program sets it up.
struct ShownWindow {
    QApplication& app = TestApp();  // before any widget
    CVantorView view;
    MainWindow window{view};
    QtUi ui{window};
    ScopedUi scope{ui};
    explicit ShownWindow(QSize size) {
        ui.waitingForUser = [this] { return view.WaitingForUser(); };
        window.resize(size);
        window.show();
    }
};

}  // namespace vantor::test
