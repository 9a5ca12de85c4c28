// The command line: one parser for the window, --script and --write.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "app/CommandLineOptions.h"

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
    EXPECT_EQ(o.speed, 30u);
    EXPECT_EQ(o.paths, (std::vector<std::string>{"a.jpg", "-x.jpg", "--help"})) << "after -- everything is a path";
    EXPECT_EQ(o.toolkitArgs, (std::vector<std::string>{"-platform", "offscreen"}));
    // Bytes that are no UTF-8 pass through unchanged.
    const std::string odd = "caf\xE9\n.jpg";
    EXPECT_EQ(Parse({odd}).paths, std::vector<std::string>{odd});
    EXPECT_EQ(Parse({"--speed=0"}).speed, 0u);
    EXPECT_FALSE(o.fullScreen || o.fitWindow);
    const auto f = Parse({"--fullscreen", "a.jpg", "--fit-window"});
    EXPECT_EQ(f.mode, Mode::Window) << f.error;
    EXPECT_TRUE(f.fullScreen && f.fitWindow);
    EXPECT_TRUE(Parse({"--fit-window"}).fitWindow && !Parse({"--fit-window"}).fullScreen);
    EXPECT_FALSE(o.autoRotate) << "off unless asked";
    EXPECT_TRUE(Parse({"--auto-rotate", "a.jpeg"}).autoRotate);
    EXPECT_TRUE(Parse({"--write", "out", "--auto-rotate", "a.jpeg"}).autoRotate);
}

TEST(CommandLineOptions, ScriptTakesSpeedToo) {
    const auto o = Parse({"--speed", "0", "--script", "run.txt", "pics"});
    EXPECT_EQ(o.mode, Mode::Script);
    EXPECT_EQ(o.scriptFile, "run.txt");
    EXPECT_EQ(o.speed, 0u);
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
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--bogus"},
             {"-x.jpg"},
             {"--speed", "256"},
             {"--speed"},
             {"--speed", "-1"},
             {"--frame", "800x600", "a.jpg"},
             {"--write", "out"},
             {"--write", "out", "--frame", "0x600", "a.jpg"},
             {"--write", "out", "--frame", "6001x600", "a.jpg"},
             {"--write", "out", "--type", "gif", "a.jpg"},
             {"--write", "out", "--script", "s"},
             {"--fullscreen", "--write", "out", "a.jpg"},
             {"--script", "s", "--fit-window"},
             {"--fullscreen=yes"},
             {"--auto-rotate=yes"},
             {"--write", "out", "--jobs", "0", "a.jpg"},
             {"--write", "out", "--jobs", "257", "a.jpg"},
             {"--write", "out", "--start", "4294967296", "a.jpg"},
             {"--write", "out", "--start", "-1", "a.jpg"},
             {"--files-from", "list"},
         }) {
        const auto o = Parse(bad);
        EXPECT_EQ(o.mode, Mode::Error) << bad.front();
        EXPECT_FALSE(o.error.empty());
    }
}

// The built program: --help and --version print and exit 0, a wrong option exits 2.
int RunProgram(const std::string& args, std::string& out) {
    std::FILE* pipe = popen((std::string("'") + VANTOR_BINARY + "' " + args + " 2>&1").c_str(), "r");
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

}  // namespace
}  // namespace vantor
