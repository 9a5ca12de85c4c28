// The program's command line, parsed once for all three ways it runs: the main
// window, a script (--script) and the batch write (--write). One row of a table
// per option drives the parsing (GNU style: --opt value, --opt=value, -- ends the
// options), the refusals of options the way of running does not take, and --help.
// Arguments are kept as the bytes they arrived as, so that any file name reaches
// the file system unchanged.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "batch/BatchCommandLine.h"
#include "viewer/ViewOptions.h"

namespace vantor {

struct CommandLineOptions {
    enum class Mode { Window, Script, Write, Help, Version, Error };
    Mode mode = Mode::Window;
    std::string error;                     // Mode::Error: what is wrong, one line
    std::string scriptFile;                // Mode::Script
    ViewOptions view;                      // the view's options, whichever way it runs
    WriteOptions write;                    // Mode::Write
    std::vector<std::string> paths;        // pictures and folders, as given
    std::vector<std::string> toolkitArgs;  // the window toolkit's own options (-platform X ...)
};

// The ways of running that take an option.
enum OptionModes : unsigned { kInWindow = 1, kInScript = 2, kInWrite = 4, kInAll = 7 };

// One command-line option.
struct OptionRow {
    const char* name;      // the long name: --name
    char shortName;        // -c as well, or 0
    const char* argument;  // the value's name in --help; nullptr when it takes none
    unsigned modes;        // the OptionModes that take it
    // The way of running it chooses (Script, Write), or the Help or Version it asks
    // for; Window for the others.
    CommandLineOptions::Mode chooses;
    const char* help;        // its lines in --help, separated by '\n'
    const char* wrongValue;  // the error for a missing or wrong value
    // Takes the value (empty for an option without one) into the options; false
    // when the value is wrong.
    bool (*take)(const std::string& value, CommandLineOptions& options);
};

// Every option, in the order --help lists them.
std::span<const OptionRow> OptionTable();

CommandLineOptions ParseCommandLine(int argc, const char* const* argv);

// What --help prints and --version prints.
std::string UsageText();
std::string VersionText();

}  // namespace vantor
