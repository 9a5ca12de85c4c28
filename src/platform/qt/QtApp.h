#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantor {

// What the window takes from the command line; main.cpp fills it from the parsed
// options, so the window side needs nothing of app/.
struct WindowOptions {
    std::vector<std::string> paths;        // pictures and folders to show at once
    std::optional<std::uint32_t> speed;    // --speed N
    bool fullScreen = false;               // --fullscreen
    bool fitWindow = false;                // --fit-window
    bool autoRotate = false;               // --auto-rotate
    std::vector<std::string> toolkitArgs;  // Qt's own options (-platform X ...)
};

// Runs the program with its main window; returns the process exit code.
int RunQtApp(const WindowOptions& options, const char* programName);

}  // namespace vantor
