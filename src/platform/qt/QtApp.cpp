#include "platform/qt/QtApp.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/qt/MainWindow.h"
#include "platform/qt/QtUi.h"
#include "viewer/CVantorView.h"

namespace vantor {

int RunQtApp(int argc, char** argv) {
    QApplication app(argc, argv);
    CVantorView view;
    MainWindow window(view);
    QtUi ui(window);
    ui.waitingForUser = [&view] { return view.WaitingForUser(); };
    ScopedUi scope(ui);

    QSize size(1100, 800);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size());
    }
    window.resize(size);
    window.show();
    view.OnInitialUpdate();

    // Options (Qt's own, such as -platform) are not pictures. --speed N starts
    // with another pace than the default.
    std::vector<std::string> paths;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--speed") && i + 1 < arguments.size()) {
            bool ok = false;
            const uint speed = arguments[++i].toUInt(&ok);
            if (ok && speed <= 255) view.m_speed = speed;
        } else if (!argument.startsWith(QLatin1Char('-'))) {
            paths.push_back(argument.toStdString());
        }
    }
    if (!paths.empty()) {
        QTimer::singleShot(0, &window, [&window, &view, paths] {
            window.CallView([&view, &paths] { view.OnCommandLine(paths); });
        });
    }
    return app.exec();
}

}  // namespace vantor
