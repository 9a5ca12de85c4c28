#include "platform/qt/QtApp.h"

#include <QApplication>

namespace vantor {

int RunQtApp(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}

}  // namespace vantor
