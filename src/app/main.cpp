// Start-up: `vantor` opens the main window; `vantor PATH ...` also fills the slide
// list and starts a show; `vantor --script FILE` runs a script against the real
// logic without a window and prints the transcript.
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/qt/QtApp.h"
#include "platform/script/ScriptRunner.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--script") == 0) {
        if (argc < 3) {
            std::cerr << "usage: vantor --script FILE [PATH ...]\n";
            return 2;
        }
        std::ifstream script(argv[2]);
        if (!script) {
            std::cerr << "vantor: cannot read script " << argv[2] << "\n";
            return 2;
        }
        std::vector<std::string> paths(argv + 3, argv + argc);
        vantor::ScriptError error;
        if (!vantor::RunScript(script, std::cout, error, paths)) {
            std::cerr << argv[2] << ":" << error.line << ": " << error.text << "\n";
            return 2;
        }
        return 0;
    }
    return vantor::RunQtApp(argc, argv);
}
