#include "app/CommandLineOptions.h"

#include <getopt.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <utility>

namespace vantor {

namespace {

using Mode = CommandLineOptions::Mode;

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

bool ParseFrame(const std::string& text, OutputSettings& output) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInRange(text.substr(0, x), 1, 6000, output.m_maxWidth) &&
           ParseInRange(text.substr(x + 1), 1, 6000, output.m_maxHeight);
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

using O = CommandLineOptions;

// The pace of a show started from the command line without --speed: about 3 s a
// slide (46 ms a step of the speed past 55), as desktop viewers go. The window
// opened without pictures keeps the show's own default.
constexpr std::uint32_t kCommandLineSpeed = 65;

constexpr OptionRow kOptions[] = {
    {"speed", 0, "N", kInAll, Mode::Window,
     "the show's pace, 0 (fastest) to 255; default 65\n(about 3 s a slide) with pictures given, else 5",
     "--speed takes a number from 0 to 255",
     [](const std::string& v, O& o) {
         std::uint32_t speed = 0;
         if (!ParseInRange(v, 0, 255, speed)) return false;
         o.view.speed = speed;
         return true;
     }},
    {"fullscreen", 0, nullptr, kInWindow, Mode::Window,
     "start full screen, without menu, tool and status\nbars (F11 or View > Full Screen; F11 or Esc leaves)", "",
     [](const std::string&, O& o) {
         o.view.fullScreen = true;
         return true;
     }},
    {"fit-window", 0, nullptr, kInWindow, Mode::Window,
     "fit pictures into the window, not the scale frame\n(View > Fit to Window); the write keeps the frame", "",
     [](const std::string&, O& o) {
         o.view.fitWindow = true;
         return true;
     }},
    {"auto-rotate", 0, nullptr, kInAll, Mode::Window,
     "show and write JPEGs upright as their Exif\norientation says (View > Rotate by EXIF Orientation)", "",
     [](const std::string&, O& o) {
         o.view.autoRotate = true;
         return true;
     }},
    {"script", 0, "FILE", kInScript, Mode::Script,
     "run a script against the program without a window\nand print the transcript (see docs/commands.md)",
     "--script takes a script file",
     [](const std::string& v, O& o) {
         o.scriptFile = v;
         return true;
     }},
    {"help", 'h', nullptr, kInAll, Mode::Help, "print this help and exit", "", nullptr},
    {"version", 'v', nullptr, kInAll, Mode::Version, "print the version and exit", "", nullptr},
    {"write", 0, "OUTDIR", kInWrite, Mode::Write,
     "convert the pictures into framed files in OUTDIR,\nwithout a window; prints each file written",
     "--write takes an output folder",
     [](const std::string& v, O& o) {
         o.write.outFolder = v;
         return !v.empty();
     }},
    {"frame", 0, "WxH", kInWrite, Mode::Window, "the output frame, 1 to 6000 each; default 800x600",
     "--frame takes WIDTHxHEIGHT, each from 1 to 6000",
     [](const std::string& v, O& o) { return ParseFrame(v, o.write.output); }},
    {"mode", 0, "N", kInWrite, Mode::Window,
     "0 shrink to fit (default), 1 as is, 2 shrink or\nenlarge to fit, 3 stretch over the frame",
     "--mode takes 0, 1, 2 or 3",
     [](const std::string& v, O& o) { return ParseInRange(v, 0, 3, o.write.output.m_outScaleMode); }},
    {"background", 0, "COLOUR", kInWrite, Mode::Window, "white, gray (default) or black around the picture",
     "--background takes white, gray or black",
     [](const std::string& v, O& o) {
         return ParseChoice(v, {"white", "gray", "black"}, o.write.output.m_outBackColor);
     }},
    {"quality", 0, "N", kInWrite, Mode::Window, "JPEG quality 0..9: 100 95 90 85 80 75 70 65 60 50;\ndefault 5 (75)",
     "--quality takes a number from 0 (best) to 9",
     [](const std::string& v, O& o) { return ParseInRange(v, 0, 9, o.write.output.m_jpegQualityIndex); }},
    {"type", 0, "jpg|bmp", kInWrite, Mode::Window, "the written file type; default jpg", "--type takes jpg or bmp",
     [](const std::string& v, O& o) {
         return ParseChoice(v, {"jpg", "bmp"}, o.write.output.m_outFileType);
     }},
    // Any number: the command line's list is not held to the window's 10000, and a
    // number past the list starts with its last picture.
    {"start", 0, "N", kInWrite, Mode::Window,
     "the start number, as the jump dialog takes it:\n0 (default) and 1 start with the first picture,\na number "
     "past the list with the last",
     "--start takes a number: 0 or 1 starts with the first picture",
     [](const std::string& v, O& o) { return ParseInRange(v, 0, UINT32_MAX, o.write.start); }},
    {"files-from", 0, "FILE", kInWrite, Mode::Window,
     "also write the paths listed in FILE (- for standard\ninput), one a line; any number of them",
     "--files-from takes a file, or - for standard input",
     [](const std::string& v, O& o) {
         o.write.filesFrom = v;
         return !v.empty();
     }},
    {"null", 0, nullptr, kInWrite, Mode::Window, "the list's paths end in NUL bytes, not line ends", "",
     [](const std::string&, O& o) {
         o.write.nullSeparated = true;
         return true;
     }},
    {"jobs", 0, "N", kInWrite, Mode::Window,
     "convert N pictures at a time, 1 (default) to 256:\nthe same files under the same names",
     "--jobs takes a number from 1 to 256",
     [](const std::string& v, O& o) { return ParseInRange(v, 1, 256, o.write.jobs); }},
};

// The window toolkit's own options, handed to it: with a value, and without.
// They are spelled with one dash or two.
constexpr const char* kToolkitWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry", "qwindowtitle", "qwindowicon",
    "display",  "geometry",           "style",         "stylesheet", "session",         "name",         "title"};
constexpr const char* kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

unsigned ModeBit(Mode mode) {
    switch (mode) {
        case Mode::Window: return kInWindow;
        case Mode::Script: return kInScript;
        case Mode::Write: return kInWrite;
        default: return 0;
    }
}

// getopt_long_only's table: our rows first, then the toolkit's options; val is
// kFirstVal plus the entry's index.
constexpr int kFirstVal = 0x100;

struct GetoptTable {
    std::vector<option> longOptions;
    std::string shortOptions = "-:";  // every argument in order, ':' for a missing value
};

GetoptTable MakeGetoptTable() {
    GetoptTable t;
    int val = kFirstVal;
    for (const OptionRow& row : kOptions) {
        t.longOptions.push_back({row.name, row.argument != nullptr ? required_argument : no_argument, nullptr, val++});
        if (row.shortName != 0) t.shortOptions += row.shortName;
    }
    for (const char* name : kToolkitWithValue) t.longOptions.push_back({name, required_argument, nullptr, val++});
    for (const char* name : kToolkitFlags) t.longOptions.push_back({name, no_argument, nullptr, val++});
    t.longOptions.push_back({nullptr, 0, nullptr, 0});
    return t;
}

// The option's name as the argument spells it: without its dashes and its "=value".
std::string SpelledName(const std::string& arg, bool& twoDashes) {
    twoDashes = arg.size() > 1 && arg[1] == '-';
    const std::string name = arg.substr(twoDashes ? 2 : 1);
    return name.substr(0, name.find('='));
}

}  // namespace

std::span<const OptionRow> OptionTable() { return kOptions; }

CommandLineOptions ParseCommandLine(int argc, const char* const* argv) {
    CommandLineOptions o;
    auto fail = [&o](const std::string& why) {
        o.mode = Mode::Error;
        o.error = why;
        return o;
    };
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
    std::vector<char*> getoptArgv;
    for (std::string& a : args) getoptArgv.push_back(a.data());
    getoptArgv.push_back(nullptr);

    static const GetoptTable table = MakeGetoptTable();
    const std::size_t rows = std::size(kOptions);
    bool help = false, version = false;
    std::vector<std::pair<const OptionRow*, std::string>> given;  // each row taken, as it was spelled
    opterr = 0;
    optind = 0;  // a fresh scan
    for (;;) {
        const int at = optind > 0 ? optind : 1;  // the argument getopt is about to read
        const int c =
            getopt_long_only(argc, getoptArgv.data(), table.shortOptions.c_str(), table.longOptions.data(), nullptr);
        if (c == -1) break;
        if (c == 1) {  // not an option
            o.paths.emplace_back(optarg);
            continue;
        }
        const std::string arg = args[static_cast<std::size_t>(at)];
        // Which entry: a row by its short name or by val; the option getopt could
        // not complete (':') is in optopt.
        const int which = c == ':' ? optopt : c;
        std::size_t entry = SIZE_MAX;
        if (which >= kFirstVal) {
            entry = static_cast<std::size_t>(which - kFirstVal);
        } else {
            for (std::size_t r = 0; r < rows; ++r) {
                if (which != 0 && kOptions[r].shortName == which) entry = r;
            }
        }
        if (entry == SIZE_MAX || c == '?') return fail("unknown option " + arg);
        // getopt takes abbreviations and single dashes for long names: only the
        // full name counts, with two dashes (one for the toolkit's), or the short name.
        bool twoDashes = false;
        const std::string name = SpelledName(arg, twoDashes);
        if (entry < rows) {
            const OptionRow& row = kOptions[entry];
            const bool asShort = row.shortName != 0 && arg == std::string{'-', row.shortName};
            if (!asShort && !(twoDashes && name == row.name)) return fail("unknown option " + arg);
            if (c == ':') return fail(row.wrongValue);
            if (row.take != nullptr && !row.take(optarg != nullptr ? optarg : "", o)) return fail(row.wrongValue);
            if (row.chooses == Mode::Help) help = true;
            if (row.chooses == Mode::Version) version = true;
            if (row.chooses == Mode::Script || row.chooses == Mode::Write) {
                if (o.mode != Mode::Window && o.mode != row.chooses)
                    return fail("--script and --write cannot be combined");
                o.mode = row.chooses;
            }
            given.emplace_back(&row, arg);
        } else {
            const option& toolkit = table.longOptions[entry];
            if (name != toolkit.name) return fail("unknown option " + arg);
            if (c == ':') return fail("option " + arg + " takes a value");
            o.toolkitArgs.push_back("-" + name);
            if (toolkit.has_arg == required_argument) o.toolkitArgs.emplace_back(optarg);
        }
    }
    // After --, every argument is a path.
    for (int i = optind; i < argc; ++i) o.paths.push_back(args[static_cast<std::size_t>(i)]);

    if (help) {
        o.mode = Mode::Help;
        return o;
    }
    if (version) {
        o.mode = Mode::Version;
        return o;
    }
    // An option the way of running does not take: those of the write first.
    for (const auto& [row, arg] : given) {
        if (row->modes == kInWrite && o.mode != Mode::Write) return fail(arg + " goes with --write");
    }
    for (const auto& [row, arg] : given) {
        if ((row->modes & ModeBit(o.mode)) == 0) return fail(arg + " is for the window, not --write or --script");
    }
    if (o.mode == Mode::Write && o.paths.empty() && o.write.filesFrom.empty())
        return fail("--write needs pictures or folders");
    if (o.mode == Mode::Window && !o.paths.empty() && !o.view.speed) o.view.speed = kCommandLineSpeed;
    return o;
}

std::string VersionText() { return std::string("vantor ") + VANTOR_VERSION + "\n"; }

std::string UsageText() {
    // Each option's names in a column of 27, its help beside them; names too long
    // for the column stand on a line of their own.
    constexpr std::size_t kColumn = 27;
    const std::string indent(2 + kColumn, ' ');
    auto line = [&](const std::string& names, const std::string& help) {
        std::string text = "  " + names;
        text += names.size() < kColumn ? std::string(kColumn - names.size(), ' ') : "\n" + indent;
        for (char ch : help) text += ch == '\n' ? "\n" + indent : std::string(1, ch);
        return text + "\n";
    };
    auto rows = [&](bool write) {
        std::string text;
        for (const OptionRow& row : kOptions) {
            if ((row.modes == kInWrite) != write) continue;
            std::string names = row.shortName != 0 ? std::string{'-', row.shortName, ',', ' '} : "";
            names += std::string("--") + row.name;
            if (row.argument != nullptr) names += std::string(" ") + row.argument;
            text += line(names, row.help);
        }
        return text;
    };
    return "Usage: vantor [OPTION...] [PICTURE|FOLDER...]\n"
           "       vantor --write OUTDIR [WRITE OPTION...] PICTURE|FOLDER...\n"
           "       vantor --script FILE [PICTURE|FOLDER...]\n"
           "A picture viewer for timed slide shows, which also converts pictures into\n"
           "framed JPEG or BMP files.\n"
           "\n" +
           line("vantor", "open the main window") +
           line("vantor PICTURE",
                "show one picture (.jpg, .jpeg, .jpe, .bmp, .png, .gif,\n.webp, .tif, .tiff, .heic, .heif or .avif) "
                "with the\npictures of its folder, by name, as the slide list;\nno show starts") +
           line("vantor PATH...",
                "put the pictures into the slide list (a folder adds\nits pictures of those endings) and start the "
                "show") +
           "\nKeys when no show runs:\n" + line("Right, PgDn, n", "the next slide") +
           line("Left, PgUp, BackSpace, p", "the slide before") + line("Home, End", "the first, the last slide") +
           line("q, Ctrl+Q", "quit") + line("+, -, Ctrl+wheel", "zoom in, out") +
           line("0 or =, 1", "fit again, 100 %") + line("drag, wheel, Shift+wheel", "pan a zoomed picture") +
           line("i", "the texts in full screen") + "\nOptions:\n" + rows(false) +
           line("--", "end of options: every later argument is a path") + "\nWrite options (with --write):\n" +
           rows(true) +
           "\n"
           "Window options such as -platform NAME or -style NAME are passed to Qt.\n"
           "The window keeps Fit to Window, Rotate by EXIF Orientation and the\n"
           "full-screen background between runs in $XDG_CONFIG_HOME/vantor/settings\n"
           "(~/.config/vantor/settings).\n"
           "Exit status: 0 success; 1 some pictures were not written (--write);\n"
           "2 a usage error, or an output folder that cannot take the files;\n"
           "3 standard output could not be written (--write): not every file written\n"
           "was named there.\n";
}

}  // namespace vantor
