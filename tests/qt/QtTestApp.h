// The one QApplication the widget tests share (offscreen platform).
#pragma once

#include <QApplication>
#include <functional>

namespace vantor::test {

QApplication& TestApp();

// Runs `answer` on the next modal window that opens (a message box, a dialog),
// from inside its modal loop.
void AnswerNextModal(std::function<void(QWidget&)> answer);

}  // namespace vantor::test
