// The program's command line, parsed once for all three ways it runs: the main
// window, a script (--script) and the batch write (--write). Arguments are kept as
// the bytes they arrived as, so that any file name reaches the file system unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "viewer/OutputSettings.h"

namespace vantor {

// The batch write's settings from the command line.
struct WriteOptions {
    std::string outFolder;
    OutputSettings output;       // the frame, mode, background, quality and type, as the scale dialog's
    std::uint32_t start = 0;     // start number, as the jump dialog takes it
    std::string filesFrom;       // a list of further paths; "-" is standard input
    bool nullSeparated = false;  // the list's paths end in NUL bytes, not line ends
    std::uint32_t jobs = 1;      // pictures converted at a time
};

struct CommandLineOptions {
    enum class Mode { Window, Script, Write, Help, Version, Error };
    Mode mode = Mode::Window;
    std::string error;                     // Mode::Error: what is wrong, one line
    std::string scriptFile;                // Mode::Script
    std::optional<std::uint32_t> speed;    // --speed N
    bool fullScreen = false;               // --fullscreen (the window only)
    bool fitWindow = false;                // --fit-window (the window only)
    bool autoRotate = false;               // --auto-rotate: JPEGs upright by their Exif orientation
    WriteOptions write;                    // Mode::Write
    std::vector<std::string> paths;        // pictures and folders, as given
    std::vector<std::string> toolkitArgs;  // the window toolkit's own options (-platform X ...)
};

CommandLineOptions ParseCommandLine(int argc, const char* const* argv);

// What --help prints and --version prints.
std::string UsageText();
std::string VersionText();

}  // namespace vantor
