// The sort and the viewer through `vantor --script`, on real files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "TestSupport.h"
#include "platform/script/Json.h"

namespace vantor {
namespace {

std::vector<Json> RunScript(const test::TempDir& dir, const std::string& script, int& status) {
    const std::string path = dir.File("run.script");
    test::WriteFile(path, std::vector<unsigned char>(script.begin(), script.end()));
    const std::string command = std::string("'") + VANTOR_BINARY + "' --script '" + path + "'";
    std::vector<Json> events;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return events;
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
    const int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        events.push_back(Json::parse(text.substr(start, end - start)));
        start = end + 1;
    }
    return events;
}

TEST(SortScript, SizeDescendingThenTheViewer) {
    test::TempDir dir;
    const std::string a = dir.File("a.jpg"), b = dir.File("b.jpg"), c = dir.File("c.jpg");
    test::WriteFile(a, std::vector<unsigned char>(300, 1));
    test::WriteFile(b, std::vector<unsigned char>(100, 1));
    test::WriteFile(c, std::vector<unsigned char>(200, 1));
    int status = -1;
    const auto events = RunScript(dir,
                                  "answer files " + b + " " + a + " " + c +
                                      "\n"
                                      "command ID_SLIDESHOW_FILE_SELECT\n"
                                      "answer dialog OK click=1026   # size, descending\n"
                                      "command ID_SLIDESHOW_FILE_SORT\n"
                                      "command ID_EFFECT_SHOW_SLIDE_FILES\n",
                                  status);
    EXPECT_EQ(status, 0);
    std::vector<std::string> boxes;
    std::vector<std::string> viewer;
    for (const Json& e : events) {
        if (e["event"] == "box") boxes.push_back(e["caption"].get<std::string>() + "|" + e["text"].get<std::string>());
        if (e["event"] == "dialog" && e["id"] == 148) viewer = e["lists"]["1022"].get<std::vector<std::string>>();
    }
    ASSERT_EQ(boxes.size(), 3u);  // File Select's own box, then the sort's two
    EXPECT_EQ(boxes[1], "START of sorting|  SIZE 降順SORT 開始します。\n条件によっては時間がかかります。");
    EXPECT_EQ(boxes[2], "END of sorting|  SIZE 降順SORT 終了しました。 ");
    ASSERT_EQ(viewer.size(), 10000u);
    EXPECT_EQ(viewer[0], a);
    EXPECT_EQ(viewer[1], c);
    EXPECT_EQ(viewer[2], b);
    EXPECT_EQ(viewer[3], "  ..........");
    EXPECT_EQ(events.back()["event"], "quit");
}

}  // namespace
}  // namespace vantor
