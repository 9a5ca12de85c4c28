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

TEST(Transcript, EveryLineIsValidUtf8JsonWhateverTheNamesHold) {
    // A name with a byte that is no UTF-8, and one with a tab and a backslash.
    const std::string bad = std::string("/pics/caf\xE9.jpg");
    const std::string odd = "/pics/tab\there \\x.jpg";
    std::istringstream in("answer files \"" + odd + "\"\ncommand ID_SLIDESHOW_FILE_SELECT\n");
    std::ostringstream out;
    ScriptError error;
    ASSERT_TRUE(RunScript(in, out, error, {bad}));
    std::istringstream lines(out.str());
    int count = 0;
    bool sawBytes = false;
    for (std::string line; std::getline(lines, line); ++count) {
        ASSERT_TRUE(IsValidUtf8(line)) << line;
        const Json j = Json::parse(line);  // throws on anything that is not JSON
        if (j.contains("textBytes")) {
            sawBytes = true;
            // The exact bytes come back from the hexadecimal field.
            const std::string hex = j["textBytes"];
            std::string bytes;
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            EXPECT_NE(bytes.find(bad), std::string::npos);
        }
    }
    EXPECT_GT(count, 3);
    EXPECT_TRUE(sawBytes);
}

TEST(Transcript, ReadableUtf8ReplacesOnlyBrokenSequences) {
    EXPECT_TRUE(IsValidUtf8("件　おわり"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE4\xBB"));          // cut short
    EXPECT_EQ(ReadableUtf8("a\xFF"
                           "b件"),
              "a\xEF\xBF\xBD"
              "b件");
    Json j;
    PutText(j, "path", "ok");
    PutText(j, "name", "x\x80");
    EXPECT_EQ(j.dump(), "{\"path\":\"ok\",\"name\":\"x\xEF\xBF\xBD\",\"nameBytes\":\"7880\"}");
}

}  // namespace
}  // namespace vantor
