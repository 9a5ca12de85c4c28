#include "platform/qt/QtApp.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/qt/MainWindow.h"
#include "platform/qt/QtUi.h"
#include "viewer/CVantorView.h"
#include "viewer/KeptSettings.h"

namespace vantor {

int RunQtApp(const ViewOptions& options, const std::vector<std::string>& paths,
             const std::vector<std::string>& toolkitArgs, const char* programName) {
    // Qt sees only its own options; the pictures stay the bytes they came as.
    std::vector<std::string> qtArgs{programName};
    qtArgs.insert(qtArgs.end(), toolkitArgs.begin(), toolkitArgs.end());
    std::vector<char*> argv;
    for (std::string& a : qtArgs) argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(qtArgs.size());
    QApplication app(argc, argv.data());
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
    const std::string kept = KeptSettingsPath();
    if (!kept.empty()) ReadKeptSettings(view, kept);
    window.CallView([&view, &options] { ApplyOptions(view, options); });
    window.show();
    view.OnInitialUpdate();

    if (!paths.empty()) {
        QTimer::singleShot(
            0, &window, [&window, &view, paths] { window.CallView([&view, &paths] { view.OnCommandLine(paths); }); });
    }
    const int status = QApplication::exec();
    if (!kept.empty()) WriteKeptSettings(view, kept);
    return status;
}

}  // namespace vantor
