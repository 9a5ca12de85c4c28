// `vantor --script FILE`: runs the real view logic with the scripted user and
// prints the transcript. Also the way the end-to-end tests drive the program.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "viewer/ViewOptions.h"

namespace vantor {

class CVantorView;

struct ScriptError {
    int line = 0;
    std::string text;
};

// Runs a script against a fresh view; the transcript goes to out. Returns false
// (with the error) when the script itself cannot be read.
// commandLine holds the pictures given after the script, options the command
// line's options for the view.
bool RunScript(std::istream& script, std::ostream& out, ScriptError& error,
               const std::vector<std::string>& commandLine = {}, const ViewOptions& options = {});

// Splits a script line into words: blanks separate, double quotes keep blanks, '#'
// at the start of a word outside quotes starts a comment, unless a digit follows it
// ("#1003=1024" names a dialog field by its control id).
std::vector<std::string> SplitScriptLine(const std::string& line);

}  // namespace vantor
