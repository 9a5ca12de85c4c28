// The command line: one parser for the window, --script and --write.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "app/CommandLineOptions.h"
#include "viewer/CVantorView.h"

namespace vantor {
namespace {

CommandLineOptions Parse(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"vantor"};
    for (const auto& a : args) argv.push_back(a.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

using Mode = CommandLineOptions::Mode;

TEST(CommandLineOptions, WindowPathsSpeedAndToolkitOptions) {
    const auto o = Parse({"--speed", "30", "-platform", "offscreen", "a.jpg", "--", "-x.jpg", "--help"});
    EXPECT_EQ(o.mode, Mode::Window);
    EXPECT_EQ(o.view.speed, 30u);
    EXPECT_EQ(o.paths, (std::vector<std::string>{"a.jpg", "-x.jpg", "--help"})) << "after -- everything is a path";
    EXPECT_EQ(o.toolkitArgs, (std::vector<std::string>{"-platform", "offscreen"}));
    // Bytes that are no UTF-8 pass through unchanged.
    const std::string odd = "caf\xE9\n.jpg";
    EXPECT_EQ(Parse({odd}).paths, std::vector<std::string>{odd});
    EXPECT_EQ(Parse({"--speed=0"}).view.speed, 0u);
    EXPECT_FALSE(o.view.fullScreen || o.view.fitWindow);
    const auto f = Parse({"--fullscreen", "a.jpg", "--fit-window"});
    EXPECT_EQ(f.mode, Mode::Window) << f.error;
    EXPECT_TRUE(f.view.fullScreen && f.view.fitWindow);
    EXPECT_TRUE(Parse({"--fit-window"}).view.fitWindow && !Parse({"--fit-window"}).view.fullScreen);
    EXPECT_FALSE(o.view.autoRotate) << "off unless asked";
    EXPECT_TRUE(Parse({"--auto-rotate", "a.jpeg"}).view.autoRotate);
    EXPECT_TRUE(Parse({"--write", "out", "--auto-rotate", "a.jpeg"}).view.autoRotate);
}

// Pictures given to the window show at a human pace unless --speed says otherwise;
// the window without pictures, the script and the write keep the show's speed.
TEST(CommandLineOptions, PicturesGivenToTheWindowShowAboutThreeSecondsEach) {
    struct Case {
        std::vector<std::string> args;
        std::optional<std::uint32_t> speed;  // nullopt: the view's own
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{"--fit-window"}, std::nullopt},
        {{"--speed", "5", "pics"}, 5u},
        {{"--speed", "0", "a.jpg", "b.jpg"}, 0u},
        {{"--script", "run.txt", "pics"}, std::nullopt},
        {{"--write", "out", "pics"}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.args).view.speed, c.speed) << testing::PrintToString(c.args);
    for (const auto& args : {std::vector<std::string>{"pics"}, {"a.jpg", "b.bmp"}, {"--fullscreen", "a.jpg"}}) {
        const auto speed = Parse(args).view.speed;
        ASSERT_TRUE(speed.has_value());
        const unsigned delay = CVantorView::DelayForSpeed(*speed);
        EXPECT_TRUE(delay >= 2500 && delay <= 3500) << delay;
    }
}

TEST(CommandLineOptions, ScriptTakesSpeedToo) {
    const auto o = Parse({"--speed", "0", "--script", "run.txt", "pics"});
    EXPECT_EQ(o.mode, Mode::Script);
    EXPECT_EQ(o.scriptFile, "run.txt");
    EXPECT_EQ(o.view.speed, 0u);
    EXPECT_EQ(o.paths, std::vector<std::string>{"pics"});
}

TEST(CommandLineOptions, WriteAndItsSettings) {
    const auto o = Parse({"--write", "out", "--frame", "1024x768", "--mode=2", "--background", "black", "--quality",
                          "0", "--type", "bmp", "--start", "3", "a.jpg", "b.bmp"});
    ASSERT_EQ(o.mode, Mode::Write) << o.error;
    EXPECT_EQ(o.write.outFolder, "out");
    EXPECT_EQ(o.write.output.m_maxWidth, 1024u);
    EXPECT_EQ(o.write.output.m_maxHeight, 768u);
    EXPECT_EQ(o.write.output.m_outScaleMode, 2);
    EXPECT_EQ(o.write.output.m_outBackColor, 2);
    EXPECT_EQ(o.write.output.m_jpegQualityIndex, 0);
    EXPECT_EQ(o.write.output.m_outFileType, 1);
    EXPECT_EQ(o.write.start, 3u);
    EXPECT_EQ(o.paths.size(), 2u);
    // The command line's list is not held to the window's 10000.
    EXPECT_EQ(Parse({"--write", "out", "--start", "4294967295", "a.jpg"}).write.start, 4294967295u);
    const auto d = Parse({"--write", "out", "x.jpg"});
    EXPECT_EQ(d.write.output.m_maxWidth, 800u);
    EXPECT_EQ(d.write.output.m_outBackColor, 1);
    EXPECT_EQ(d.write.output.m_jpegQualityIndex, 5);
    EXPECT_EQ(d.write.jobs, 1u);
    // A list of paths may stand for all of them.
    const auto l = Parse({"--write", "out", "--files-from", "-", "--null", "--jobs=3"});
    ASSERT_EQ(l.mode, Mode::Write) << l.error;
    EXPECT_EQ(l.write.filesFrom, "-");
    EXPECT_TRUE(l.write.nullSeparated);
    EXPECT_EQ(l.write.jobs, 3u);
}

TEST(CommandLineOptions, HelpVersionAndErrors) {
    EXPECT_EQ(Parse({"--help"}).mode, Mode::Help);
    EXPECT_EQ(Parse({"a.jpg", "-h"}).mode, Mode::Help);
    EXPECT_EQ(Parse({"--version"}).mode, Mode::Version);
    EXPECT_EQ(Parse({"--frame", "1x1", "--help"}).mode, Mode::Help) << "help before the refusals";
    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"-x.jpg"}, "unknown option -x.jpg"},
        {{"--speed", "256"}, "--speed takes a number from 0 to 255"},
        {{"--speed"}, "--speed takes a number from 0 to 255"},
        {{"--speed", "-1"}, "--speed takes a number from 0 to 255"},
        {{"--speed="}, "--speed takes a number from 0 to 255"},
        {{"--frame", "800x600", "a.jpg"}, "--frame goes with --write"},
        {{"--frame=640x480", "a.jpg"}, "--frame=640x480 goes with --write"},
        {{"--null", "--fullscreen", "--write", "out", "a.jpg"},
         "--fullscreen is for the window, not --write or --script"},
        {{"--fullscreen", "--null", "a.jpg"}, "--null goes with --write"},
        {{"--write", "out"}, "--write needs pictures or folders"},
        {{"--write="}, "--write takes an output folder"},
        {{"--write", "out", "--frame", "0x600", "a.jpg"}, "--frame takes WIDTHxHEIGHT, each from 1 to 6000"},
        {{"--write", "out", "--frame", "6001x600", "a.jpg"}, "--frame takes WIDTHxHEIGHT, each from 1 to 6000"},
        {{"--write", "out", "--mode", "4", "a.jpg"}, "--mode takes 0, 1, 2 or 3"},
        {{"--write", "out", "--background", "red", "a.jpg"}, "--background takes white, gray or black"},
        {{"--write", "out", "--quality", "10", "a.jpg"}, "--quality takes a number from 0 (best) to 9"},
        {{"--write", "out", "--type", "gif", "a.jpg"}, "--type takes jpg or bmp"},
        {{"--write", "out", "--script", "s"}, "--script and --write cannot be combined"},
        {{"--script"}, "--script takes a script file"},
        {{"--fullscreen", "--write", "out", "a.jpg"}, "--fullscreen is for the window, not --write or --script"},
        {{"--script", "s", "--fit-window"}, "--fit-window is for the window, not --write or --script"},
        {{"--fullscreen=yes"}, "unknown option --fullscreen=yes"},
        {{"--auto-rotate=yes"}, "unknown option --auto-rotate=yes"},
        {{"--help=yes"}, "unknown option --help=yes"},
        {{"--write", "out", "--jobs", "0", "a.jpg"}, "--jobs takes a number from 1 to 256"},
        {{"--write", "out", "--jobs", "257", "a.jpg"}, "--jobs takes a number from 1 to 256"},
        {{"--write", "out", "--start", "4294967296", "a.jpg"},
         "--start takes a number: 0 or 1 starts with the first picture"},
        {{"--write", "out", "--start", "-1", "a.jpg"}, "--start takes a number: 0 or 1 starts with the first picture"},
        {{"--write", "out", "--files-from="}, "--files-from takes a file, or - for standard input"},
        {{"--files-from", "list"}, "--files-from goes with --write"},
        // Only full names count: getopt's abbreviations and single-dash long names do not.
        {{"--spe", "5"}, "unknown option --spe"},
        {{"-speed", "5"}, "unknown option -speed"},
        {{"--he"}, "unknown option --he"},
        {{"-hv"}, "unknown option -hv"},
        {{"-plat", "x"}, "unknown option -plat"},
        {{"-platform"}, "option -platform takes a value"},
        {{"-reverse=1"}, "unknown option -reverse=1"},
    };
    for (const auto& [args, error] : bad) {
        const auto o = Parse(args);
        EXPECT_EQ(o.mode, Mode::Error) << args.front();
        EXPECT_EQ(o.error, error) << args.front();
    }
}

// Every spelling GNU tools take: --opt value, --opt=value, and -- before paths;
// the toolkit's options with one dash or two, with their value after a blank or '='.
TEST(CommandLineOptions, GnuSpellingsAndTheToolkitsOptions) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--write=out", "--frame=640x480", "--mode=2", "--", "-a.jpg"},
             {"--write", "out", "--frame", "640x480", "--mode", "2", "--", "-a.jpg"},
             {"--", "-a.jpg", "--write=out", "--frame=640x480", "--mode=2"},
         }) {
        const auto o = Parse(args);
        if (args.front() == "--") {
            EXPECT_EQ(o.mode, Mode::Window);
            EXPECT_EQ(o.paths.size(), 4u);
            continue;
        }
        ASSERT_EQ(o.mode, Mode::Write) << o.error;
        EXPECT_EQ(o.write.outFolder, "out");
        EXPECT_EQ(o.write.output.m_maxWidth, 640u);
        EXPECT_EQ(o.write.output.m_maxHeight, 480u);
        EXPECT_EQ(o.write.output.m_outScaleMode, 2);
        EXPECT_EQ(o.paths, std::vector<std::string>{"-a.jpg"});
    }
    const auto q = Parse({"--platform=offscreen", "-style", "fusion", "--reverse", "a.jpg", "-sync"});
    ASSERT_EQ(q.mode, Mode::Window) << q.error;
    EXPECT_EQ(q.toolkitArgs,
              (std::vector<std::string>{"-platform", "offscreen", "-style", "fusion", "-reverse", "-sync"}));
    EXPECT_EQ(q.paths, std::vector<std::string>{"a.jpg"});
    // The defaults of the write are the scale dialog's.
    EXPECT_EQ(Parse({"--write", "out", "a.jpg"}).write.output, OutputSettings{});
}

// The rows themselves: unique names, a message for every value, and ways of running
// that the two refusals can name.
TEST(CommandLineOptions, EveryRowIsComplete) {
    std::set<std::string> names;
    const std::string usage = UsageText();
    for (const OptionRow& row : OptionTable()) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(names.insert(row.name).second);
        if (row.shortName != 0) {
            EXPECT_TRUE(names.insert(std::string(1, row.shortName)).second);
        }
        const bool chooses = row.chooses == Mode::Script || row.chooses == Mode::Write;
        EXPECT_TRUE(row.modes == kInAll || row.modes == kInWindow || row.modes == kInWrite ||
                    (chooses && row.modes == kInScript));
        if (row.argument != nullptr) {
            EXPECT_EQ(std::string(row.wrongValue).rfind(std::string("--") + row.name + " takes ", 0), 0u);
        }
        EXPECT_EQ(row.take == nullptr, row.chooses == Mode::Help || row.chooses == Mode::Version);
        EXPECT_NE(usage.find(std::string("--") + row.name), std::string::npos);
    }
}

// The README's table of options holds exactly the rows: each documented, with or
// without a value as the row takes it, nothing documented that is no row.
TEST(CommandLineOptions, TheReadmeDocumentsEveryRowAndNothingElse) {
    std::ifstream readme(std::string(VANTOR_SOURCE_DIR) + "/README.md");
    ASSERT_TRUE(readme);
    std::map<std::string, bool> documented;  // spelling, takes a value
    std::map<std::string, std::string> meaning;
    bool inTable = false;
    for (std::string line; std::getline(readme, line);) {
        if (line == "| option | meaning |") {
            inTable = true;
            continue;
        }
        if (!inTable || line.rfind("|---", 0) == 0) continue;
        if (line.empty() || line[0] != '|') break;
        // The first cell ends at the first '|' outside backquotes that is no "\|".
        std::size_t end = 1;
        for (bool quoted = false; end < line.size() && (quoted || line[end] != '|' || line[end - 1] == '\\'); ++end) {
            if (line[end] == '`') quoted = !quoted;
        }
        const std::string cell = line.substr(1, end - 1);
        for (std::size_t open = cell.find('`'); open != std::string::npos; open = cell.find('`', open + 1)) {
            const std::size_t close = cell.find('`', open + 1);
            const std::string code = cell.substr(open + 1, close - open - 1);
            const std::size_t blank = code.find(' ');
            documented[code.substr(0, blank)] = blank != std::string::npos;
            meaning[code.substr(0, blank)] = line.substr(end);
            open = close;
        }
    }
    std::map<std::string, bool> rows{{"--", false}};  // the end of the options is no row
    for (const OptionRow& row : OptionTable()) {
        rows[std::string("--") + row.name] = row.argument != nullptr;
        if (row.shortName != 0) rows[std::string{'-', row.shortName}] = false;
        // The modes the README names are the row's.
        const std::string& text = meaning[std::string("--") + row.name];
        if (row.modes == kInWindow) {
            EXPECT_NE(text.find("window only"), std::string::npos) << row.name;
        }
        if (row.modes == kInWrite && row.chooses != Mode::Write) {
            EXPECT_EQ(text.rfind("| with `--", 0), 0u) << row.name << ": " << text;
        }
    }
    EXPECT_EQ(documented, rows);
}

// The built program: --help and --version print and exit 0, a wrong option exits 2.
// env: a command that runs it ("env -i ").
int RunProgram(const std::string& args, std::string& out, const std::string& env = "") {
    std::FILE* pipe = popen((env + "'" + VANTOR_BINARY + "' " + args + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buf[4096];
    out.clear();
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CommandLineOptions, TheProgramPrintsHelpAndVersionAndRefusesUnknownOptions) {
    std::string out;
    EXPECT_EQ(RunProgram("--help", out), 0);
    for (const char* option : {"--speed", "--write", "--frame", "--mode", "--background", "--quality", "--type",
                               "--start", "--files-from", "--null", "--jobs", "--script", "--version", "--help",
                               "--fullscreen", "--fit-window", "--auto-rotate", ".jpeg"}) {
        EXPECT_NE(out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(RunProgram("--version", out), 0);
    EXPECT_EQ(out, std::string("vantor ") + VANTOR_VERSION + "\n");
    EXPECT_EQ(RunProgram("--no-such-option", out), 2);
    EXPECT_NE(out.find("unknown option --no-such-option"), std::string::npos) << out;
}

// Without a display the window says so in one line and what runs without one,
// instead of the toolkit's abort; --help still prints.
TEST(CommandLineOptions, WithoutADisplayTheWindowExitsWithOneLine) {
    std::string out;
    for (const char* args : {"", "picture.jpg", "--fullscreen pics"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(RunProgram(args, out, "env -i "), 2);
        EXPECT_EQ(out.rfind("vantor: cannot open a display ", 0), 0u) << out;
        EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line";
        EXPECT_NE(out.find("--write"), std::string::npos);
        EXPECT_NE(out.find("--script"), std::string::npos);
    }
    EXPECT_EQ(RunProgram("--help", out, "env -i "), 0);
}

}  // namespace
}  // namespace vantor
