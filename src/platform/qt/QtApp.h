#pragma once

namespace vantor {

// Runs the program with its main window; returns the process exit code.
int RunQtApp(int argc, char** argv);

}  // namespace vantor
