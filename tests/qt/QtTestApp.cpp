#include "qt/QtTestApp.h"

#include <QTimer>

namespace vantor::test {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "vantor_qt_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: a QApplication torn down among the exit-time statics crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
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

// fontconfig keeps a cache block for the life of the process, which the leak
// checker of the sanitizer build reports; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
