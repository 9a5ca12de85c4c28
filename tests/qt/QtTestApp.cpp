#include "qt/QtTestApp.h"

#include <QTimer>

namespace vantor::test {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "vantor_qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

void AnswerNextModal(std::function<void(QWidget&)> answer) {
    // Polls until the modal window is up; its own event loop runs the timer.
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        timer->stop();
        timer->deleteLater();
        answer(*modal);
    });
    timer->start();
}

}  // namespace vantor::test
