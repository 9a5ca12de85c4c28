// Start-up: the command line decides how the program runs. `vantor [PATH...]`
// opens the main window (and shows the pictures given); `vantor --script FILE`
// runs a script against the real logic without a window and prints the
// transcript; `vantor --write OUTDIR ... PATH...` converts pictures without a window.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "app/CommandLineOptions.h"
#include "batch/BatchCommandLine.h"
#include "imaging/RgbBuffer.h"
#include "platform/qt/QtApp.h"
#include "platform/script/ScriptRunner.h"

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Qt aborts with a core dump when it finds no display: say so in one line instead,
// unless a platform (offscreen, vnc, ...) was chosen by hand.
bool DisplayMissing(const vantor::CommandLineOptions& options) {
    const auto& qt = options.toolkitArgs;
    return !Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM") &&
           std::find(qt.begin(), qt.end(), "-platform") == qt.end();
}

}  // namespace

int main(int argc, char** argv) {
    vantor::KeepPictureMemoryReturnable();
    using Mode = vantor::CommandLineOptions::Mode;
    const vantor::CommandLineOptions options = vantor::ParseCommandLine(argc, argv);
    switch (options.mode) {
        case Mode::Help: std::cout << vantor::UsageText(); return 0;
        case Mode::Version: std::cout << vantor::VersionText(); return 0;
        case Mode::Error:
            std::cerr << "vantor: " << options.error << "\nTry 'vantor --help' for more information.\n";
            return 2;
        case Mode::Write:
            return vantor::RunBatchWrite(options.write, options.view, options.paths, std::cout, std::cerr);
        case Mode::Script: {
            std::ifstream script(options.scriptFile);
            if (!script) {
                std::cerr << "vantor: cannot read script " << options.scriptFile << "\n";
                return 2;
            }
            vantor::ScriptError error;
            if (!vantor::RunScript(script, std::cout, error, options.paths, options.view)) {
                std::cerr << options.scriptFile << ":" << error.line << ": " << error.text << "\n";
                return 2;
            }
            return 0;
        }
        case Mode::Window:
            if (DisplayMissing(options)) {
                std::cerr << "vantor: cannot open a display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                             "--write and --script run without one\n";
                return 2;
            }
            break;
    }
    return vantor::RunQtApp(options.view, options.paths, options.toolkitArgs, argc > 0 ? argv[0] : "vantor");
}
