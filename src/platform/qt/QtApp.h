#pragma once

#include <string>
#include <vector>

#include "viewer/ViewOptions.h"

namespace vantor {

// Runs the program with its main window; returns the process exit code. The view
// takes options before the window shows, then the pictures and folders in paths;
// Qt sees only its own options, toolkitArgs (-platform X ...).
int RunQtApp(const ViewOptions& options, const std::vector<std::string>& paths,
             const std::vector<std::string>& toolkitArgs, const char* programName);

}  // namespace vantor
