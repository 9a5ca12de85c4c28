#include <gtest/gtest.h>

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
