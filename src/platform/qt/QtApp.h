#pragma once

#include "app/CommandLineOptions.h"

namespace vantor {

// Runs the program with its main window; returns the process exit code.
int RunQtApp(const CommandLineOptions& options, const char* programName);

}  // namespace vantor
