#include "app/CommandLineOptions.h"

#include <cstdlib>
#include <cstring>

namespace vantor {

namespace {

// The window toolkit's own options: with a value, and without.
constexpr const char* kToolkitWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry", "qwindowtitle", "qwindowicon",
    "display",  "geometry",           "style",         "stylesheet", "session",         "name",         "title"};
constexpr const char* kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

bool ParseNumber(const std::string& text, std::uint64_t max, std::uint64_t& out) {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    out = std::strtoull(text.c_str(), nullptr, 10);
    return out <= max;
}

template <typename T>
bool ParseInRange(const std::string& text, std::uint64_t lo, std::uint64_t hi, T& out) {
    std::uint64_t n = 0;
    if (!ParseNumber(text, hi, n) || n < lo) return false;
    out = static_cast<T>(n);
    return true;
}

bool ParseFrame(const std::string& text, OutputSettings& w) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInRange(text.substr(0, x), 1, 6000, w.m_maxWidth) &&
           ParseInRange(text.substr(x + 1), 1, 6000, w.m_maxHeight);
}

bool ParseChoice(const std::string& text, std::initializer_list<const char*> names, std::int32_t& out) {
    std::int32_t i = 0;
    for (const char* name : names) {
        if (text == name) {
            out = i;
            return true;
        }
        ++i;
    }
    return false;
}

}  // namespace

CommandLineOptions ParseCommandLine(int argc, const char* const* argv) {
    CommandLineOptions o;
    bool help = false, version = false, writeSeen = false;
    std::vector<std::string> writeOnly;   // write options given, for the error without --write
    std::vector<std::string> windowOnly;  // window options given, for the error with --write or --script
    auto fail = [&o](const std::string& why) {
        o.mode = CommandLineOptions::Mode::Error;
        o.error = why;
        return o;
    };
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            o.paths.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value or --name value
        std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto value = [&](std::string& out) {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= argc || argv[i + 1] == nullptr) return false;
            out = argv[++i];
            return true;
        };
        const bool longForm = arg[1] == '-';
        std::string v;
        if ((longForm && name == "help") || (!longForm && name == "h")) {
            help = true;
        } else if ((longForm && name == "version") || (!longForm && name == "v")) {
            version = true;
        } else if (longForm && name == "speed") {
            std::uint32_t speed = 0;
            if (!value(v) || !ParseInRange(v, 0, 255, speed)) return fail("--speed takes a number from 0 to 255");
            o.speed = speed;
        } else if (longForm && (name == "fullscreen" || name == "fit-window") && !inlineValue) {
            (name == "fullscreen" ? o.fullScreen : o.fitWindow) = true;
            windowOnly.push_back(arg);
        } else if (longForm && name == "auto-rotate" && !inlineValue) {
            o.autoRotate = true;
        } else if (longForm && name == "script") {
            if (!value(o.scriptFile)) return fail("--script takes a script file");
            if (o.mode == CommandLineOptions::Mode::Write) return fail("--script and --write cannot be combined");
            o.mode = CommandLineOptions::Mode::Script;
        } else if (longForm && name == "write") {
            if (!value(o.write.outFolder) || o.write.outFolder.empty()) return fail("--write takes an output folder");
            if (o.mode == CommandLineOptions::Mode::Script) return fail("--script and --write cannot be combined");
            o.mode = CommandLineOptions::Mode::Write;
            writeSeen = true;
        } else if (longForm && name == "frame") {
            if (!value(v) || !ParseFrame(v, o.write.output))
                return fail("--frame takes WIDTHxHEIGHT, each from 1 to 6000");
            writeOnly.push_back(arg);
        } else if (longForm && name == "mode") {
            if (!value(v) || !ParseInRange(v, 0, 3, o.write.output.m_outScaleMode))
                return fail("--mode takes 0, 1, 2 or 3");
            writeOnly.push_back(arg);
        } else if (longForm && name == "background") {
            if (!value(v) || !ParseChoice(v, {"white", "gray", "black"}, o.write.output.m_outBackColor))
                return fail("--background takes white, gray or black");
            writeOnly.push_back(arg);
        } else if (longForm && name == "quality") {
            if (!value(v) || !ParseInRange(v, 0, 9, o.write.output.m_jpegQualityIndex))
                return fail("--quality takes a number from 0 (best) to 9");
            writeOnly.push_back(arg);
        } else if (longForm && name == "type") {
            if (!value(v) || !ParseChoice(v, {"jpg", "bmp"}, o.write.output.m_outFileType))
                return fail("--type takes jpg or bmp");
            writeOnly.push_back(arg);
        } else if (longForm && name == "start") {
            // Any number: the command line's list is not held to the window's 10000,
            // and a number past the list starts with its last picture.
            if (!value(v) || !ParseInRange(v, 0, UINT32_MAX, o.write.start))
                return fail("--start takes a number: 0 or 1 starts with the first picture");
            writeOnly.push_back(arg);
        } else if (longForm && name == "files-from") {
            if (!value(o.write.filesFrom) || o.write.filesFrom.empty())
                return fail("--files-from takes a file, or - for standard input");
            writeOnly.push_back(arg);
        } else if (longForm && name == "null" && !inlineValue) {
            o.write.nullSeparated = true;
            writeOnly.push_back(arg);
        } else if (longForm && name == "jobs") {
            if (!value(v) || !ParseInRange(v, 1, 256, o.write.jobs)) return fail("--jobs takes a number from 1 to 256");
            writeOnly.push_back(arg);
        } else {
            bool toolkit = false;
            for (const char* t : kToolkitWithValue) {
                if (name == t) {
                    if (!value(v)) return fail("option " + arg + " takes a value");
                    o.toolkitArgs.push_back("-" + name);
                    o.toolkitArgs.push_back(v);
                    toolkit = true;
                }
            }
            for (const char* t : kToolkitFlags) {
                if (name == t && !inlineValue) {
                    o.toolkitArgs.push_back("-" + name);
                    toolkit = true;
                }
            }
            if (!toolkit) return fail("unknown option " + arg);
        }
    }
    if (help) {
        o.mode = CommandLineOptions::Mode::Help;
        return o;
    }
    if (version) {
        o.mode = CommandLineOptions::Mode::Version;
        return o;
    }
    if (!writeSeen && !writeOnly.empty()) return fail(writeOnly.front() + " goes with --write");
    if (o.mode != CommandLineOptions::Mode::Window && !windowOnly.empty())
        return fail(windowOnly.front() + " is for the window, not --write or --script");
    if (o.mode == CommandLineOptions::Mode::Write && o.paths.empty() && o.write.filesFrom.empty())
        return fail("--write needs pictures or folders");
    return o;
}

std::string VersionText() { return std::string("vantor ") + VANTOR_VERSION + "\n"; }

std::string UsageText() {
    return "Usage: vantor [OPTION...] [PICTURE|FOLDER...]\n"
           "A picture viewer for timed slide shows, which also converts pictures into\n"
           "framed JPEG or BMP files.\n"
           "\n"
           "  vantor                     open the main window\n"
           "  vantor PICTURE             open one picture (.jpg, .jpeg, .jpe or .bmp)\n"
           "  vantor PATH...             put the pictures into the slide list (a folder adds\n"
           "                             its JPEG and .bmp files, by name) and start the show\n"
           "  vantor --write OUTDIR [WRITE OPTION...] PATH...\n"
           "                             convert the pictures into framed files in OUTDIR,\n"
           "                             without a window; prints each file written\n"
           "  vantor --script FILE [PATH...]\n"
           "                             run a script against the program without a window\n"
           "                             and print the transcript (see docs/commands.md)\n"
           "\n"
           "Options:\n"
           "  --speed N                  the show's pace, 0 (fastest) to 255; default 5\n"
           "  --fullscreen               start full screen, without menu, tool and status\n"
           "                             bars (F11 or View > Full Screen; F11 or Esc leaves)\n"
           "  --fit-window               fit pictures into the window, not the scale frame\n"
           "                             (View > Fit to Window); the write keeps the frame\n"
           "  --auto-rotate              show and write JPEGs upright as their Exif\n"
           "                             orientation says (View > Rotate by EXIF Orientation)\n"
           "  -h, --help                 print this help and exit\n"
           "  -v, --version              print the version and exit\n"
           "  --                         end of options: every later argument is a path\n"
           "\n"
           "Write options (with --write):\n"
           "  --frame WxH                the output frame, 1 to 6000 each; default 800x600\n"
           "  --mode N                   0 shrink to fit (default), 1 as is, 2 shrink or\n"
           "                             enlarge to fit, 3 stretch over the frame\n"
           "  --background COLOUR        white, gray (default) or black around the picture\n"
           "  --quality N                JPEG quality 0..9: 100 95 90 85 80 75 70 65 60 50;\n"
           "                             default 5 (75)\n"
           "  --type jpg|bmp             the written file type; default jpg\n"
           "  --start N                  the start number, as the jump dialog takes it:\n"
           "                             0 (default) and 1 start with the first picture,\n"
           "                             a number past the list with the last\n"
           "  --files-from FILE          also write the paths listed in FILE (- for standard\n"
           "                             input), one a line; any number of them\n"
           "  --null                     the list's paths end in NUL bytes, not line ends\n"
           "  --jobs N                   convert N pictures at a time, 1 (default) to 256:\n"
           "                             the same files under the same names\n"
           "\n"
           "Window options such as -platform NAME or -style NAME are passed to Qt.\n"
           "Exit status: 0 success; 1 some pictures were not written (--write);\n"
           "2 a usage error, or an output folder that cannot take the files;\n"
           "3 standard output could not be written (--write): not every file written\n"
           "was named there.\n";
}

}  // namespace vantor
