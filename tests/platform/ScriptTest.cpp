#include <gtest/gtest.h>

#include <sstream>

#include "platform/script/ScriptRunner.h"
#include "platform/script/ScriptUi.h"

namespace vantor {
namespace {

using Words = std::vector<std::string>;

TEST(SplitScriptLine, BlanksSeparateWords) {
    EXPECT_EQ(SplitScriptLine("command   ID_SLIDESHOW_START"), (Words{"command", "ID_SLIDESHOW_START"}));
    EXPECT_EQ(SplitScriptLine("\tat pump 3 click left\r"), (Words{"at", "pump", "3", "click", "left"}));
    EXPECT_EQ(SplitScriptLine(""), Words{});
    EXPECT_EQ(SplitScriptLine("   "), Words{});
}

TEST(SplitScriptLine, QuotesKeepBlanksAndHashes) {
    EXPECT_EQ(SplitScriptLine("answer files \"/tmp/a b/c.jpg\" /tmp/d.jpg"),
              (Words{"answer", "files", "/tmp/a b/c.jpg", "/tmp/d.jpg"}));
    EXPECT_EQ(SplitScriptLine("answer files \"/tmp/#1.bmp\""), (Words{"answer", "files", "/tmp/#1.bmp"}));
    EXPECT_EQ(SplitScriptLine("x \"\" y"), (Words{"x", "", "y"}));
    EXPECT_EQ(SplitScriptLine("name=\"a b\"c"), (Words{"name=a bc"}));
}

TEST(SplitScriptLine, HashStartsACommentOutsideAWord) {
    EXPECT_EQ(SplitScriptLine("# a whole comment line"), Words{});
    EXPECT_EQ(SplitScriptLine("key Esc # stop the show"), (Words{"key", "Esc"}));
    EXPECT_EQ(SplitScriptLine("key Esc #stop"), (Words{"key", "Esc"}));
    EXPECT_EQ(SplitScriptLine("answer files /tmp/a#b.jpg"), (Words{"answer", "files", "/tmp/a#b.jpg"}));
}

TEST(SplitScriptLine, HashIdFieldIsAWordNotAComment) {
    // Dialog fields can be named by control id: #ID=VALUE.
    EXPECT_EQ(SplitScriptLine("answer dialog OK #1003=1024 #1004=768 # frame"),
              (Words{"answer", "dialog", "OK", "#1003=1024", "#1004=768"}));
}

// Runs a script in this process and returns its sleep lines.
std::vector<std::string> Sleeps(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    ScriptError error;
    EXPECT_TRUE(RunScript(in, out, error)) << error.line << ": " << error.text;
    std::vector<std::string> sleeps;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("{\"event\":\"sleep\"", 0) == 0) sleeps.push_back(line);
    }
    return sleeps;
}

TEST(RunScript, DialogSliderStepsReachTheDialog) {
    const std::string show =
        "answer files /nowhere/a.png /nowhere/b.png\n"
        "command ID_SLIDESHOW_FILE_SELECT\n"
        "command ID_SLIDESHOW_START\n";
    EXPECT_EQ(Sleeps("answer dialog OK scroll=32780:right\ncommand ID_SLIDESHOW_SPEED\n" + show),
              (Words{"{\"event\":\"sleep\",\"ms\":1080}", "{\"event\":\"sleep\",\"ms\":1080}"}));
    EXPECT_EQ(Sleeps("answer dialog OK scroll=32780:thumb:100\ncommand ID_SLIDESHOW_SPEED\n" + show),
              (Words{"{\"event\":\"sleep\",\"ms\":4600}", "{\"event\":\"sleep\",\"ms\":4600}"}));
    // A field named by control id.
    EXPECT_EQ(Sleeps("answer dialog OK #32781=13\ncommand ID_SLIDESHOW_SPEED\n" + show),
              (Words{"{\"event\":\"sleep\",\"ms\":338}", "{\"event\":\"sleep\",\"ms\":338}"}));
}

TEST(RunScript, MalformedLinesAreRefusedBeforeAnythingRuns) {
    const std::pair<const char*, const char*> cases[] = {
        {"click middle", "click takes left or right"},
        {"key F13x", "unknown key F13x"},
        {"command ID_NOTHING", "unknown command ID_NOTHING"},
        {"answer box Maybe", "answer box takes OK, Cancel, Yes or No"},
        {"answer dialog OK speed", "expected NAME=VALUE, got speed"},
        {"answer dialog OK scroll=32780:sideways", "unknown scroll code sideways"},
        {"at pump 0 click left", "expected: at pump N ACTION"},
    };
    for (const auto& [line, why] : cases) {
        std::istringstream in(std::string("command ID_SLIDESHOW_SPEED\n") + line + "\n");
        std::ostringstream out;
        ScriptError error;
        EXPECT_FALSE(RunScript(in, out, error)) << line;
        EXPECT_EQ(error.line, 2) << line;
        EXPECT_EQ(error.text, why) << line;
        EXPECT_EQ(out.str(), "") << line;
    }
}

TEST(JsonString, EscapesQuotesBackslashesAndControls) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(JsonString("c:\\t~\\"), "\"c:\\\\t~\\\\\"");
    EXPECT_EQ(JsonString("1\r2\n3\t4"), "\"1\\r2\\n3\\t4\"");
    EXPECT_EQ(JsonString(std::string("\x01\x1f", 2)), "\"\\u0001\\u001f\"");
    EXPECT_EQ(JsonString(std::string("\0", 1)), "\"\\u0000\"");
    // UTF-8 text passes through as it is.
    EXPECT_EQ(JsonString("件　おわり"), "\"件　おわり\"");
    EXPECT_EQ(JsonString(""), "\"\"");
}

}  // namespace
}  // namespace vantor
