// Runs the built program as `vantor --script FILE` and reads its transcript.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "TestSupport.h"
#include "platform/script/ScriptUi.h"
#include "viewer/TestBmp.h"

namespace vantor {
namespace {

struct Transcript {
    int status = -1;
    std::vector<std::string> lines;  // what the program printed, a line each
};

Transcript RunScriptFile(const test::TempDir& dir, const std::string& script) {
    const std::string path = dir.File("run.script");
    test::WriteFile(path, std::vector<unsigned char>(script.begin(), script.end()));
    const std::string command = std::string("'") + VANTOR_BINARY + "' --script '" + path + "' 2>&1";
    Transcript run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        run.lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return run;
}

using Lines = std::vector<std::string>;

TEST(ScriptRun, SpeedDialogDisabledCommandAndAShowOfNonPictures) {
    test::TempDir dir;
    const std::string a = dir.File("a.txt");
    const std::string b = dir.File("b.txt");
    const Transcript run = RunScriptFile(dir,
                                         "# set the pace, then play two files that hold no picture\n"
                                         "answer dialog OK m_speedValue=30\n"
                                         "command ID_SLIDESHOW_SPEED\n"
                                         "command ID_SLIDESHOW_ABORT   # greyed while no show runs\n"
                                         "answer files " +
                                             a + " " + b +
                                             "\n"
                                             "command ID_SLIDESHOW_FILE_SELECT\n"
                                             "command ID_SLIDESHOW_START\n");
    EXPECT_EQ(run.status, 0);
    const std::string done =
        "Multi-File-Select　が　おわりました。\\r\\r1回につき1300件以下のSELECTを繰り返し10000 "
        "件まで累積できます。\\r\\r"
        "スライドショーが　開始できます。\\r\\r !!!Select Under 1300 Files at a time!!!\\r\\r Repeat <SELECT> and can "
        "stack 10000 Files\\r\\r      ※ ファィル名には *.jpg 又は *.bmpと入力してください。※";
    const Lines expected = {
        "{\"event\":\"title\",\"text\":\"Vantor - Windows Application for SLIDESHOW\"}",
        "{\"event\":\"dialog\",\"id\":139,\"title\":\"                    Slide Show Speed\",\"answer\":\"OK\"}",
        "{\"event\":\"disabled\",\"command\":\"ID_SLIDESHOW_ABORT\"}",
        "{\"event\":\"filedialog\",\"title\":\"Enter *.jpg or *.bmp for display ( Shift + Ctrl) then Reverse from top "
        "to last file \",\"answer\":\"OK\",\"paths\":[\"" +
            a + "\",\"" + b + "\"]}",
        "{\"event\":\"box\",\"caption\":\"Vantor\",\"text\":\"" + done +
            "\",\"buttons\":\"OK\",\"icon\":\"information\",\"answer\":\"OK\"}",
        "{\"event\":\"title\",\"text\":\"VANTOR FOR SLIDE SHOW WINDOWS APPLICATION\"}",
        "{\"event\":\"sleep\",\"ms\":1080}",
        "{\"event\":\"sleep\",\"ms\":1080}",
        // No slide gave a picture for the paint: the end of the run sets the idle state.
        "{\"event\":\"status\",\"pane\":0,\"text\":\"@( " + b + "  0 )\"}",
        "{\"event\":\"status\",\"pane\":1,\"text\":\"(   Choose SLIDE_SHOW START from MENU for starting"
        "                             0 )\"}",
        "{\"event\":\"quit\"}",
    };
    EXPECT_EQ(run.lines, expected);
}

TEST(ScriptRun, HaltedShowIsClosedByTheRunner) {
    test::TempDir dir;
    const Transcript run =
        RunScriptFile(dir, "answer files " + dir.File("a.txt") + " " + dir.File("b.txt") + " " + dir.File("c.txt") +
                               "\n"
                               "answer box OK\n"
                               "command ID_SLIDESHOW_FILE_SELECT\n"
                               "command ID_SLIDESHOW_SPEED\n"
                               "at pump 5 click left\n"
                               "command ID_SLIDESHOW_START\n");
    EXPECT_EQ(run.status, 0);
    ASSERT_GE(run.lines.size(), 3u);
    // The speed dialog had no answer: cancelled.
    EXPECT_NE(std::find(run.lines.begin(), run.lines.end(),
                        "{\"event\":\"dialog\",\"id\":139,\"title\":\"                    Slide Show Speed\","
                        "\"answer\":\"Cancel\"}"),
              run.lines.end());
    ASSERT_GE(run.lines.size(), 4u);
    EXPECT_EQ(run.lines[run.lines.size() - 4], "{\"event\":\"sleep\",\"ms\":130}");
    EXPECT_EQ(run.lines[run.lines.size() - 2],
              "{\"event\":\"status\",\"pane\":1,\"text\":\"(   Choose SLIDE_SHOW START from MENU for starting"
              "                             0 )\"}");
    EXPECT_EQ(run.lines.back(), "{\"event\":\"quit\"}");
}

TEST(ScriptRun, ScriptErrorsAreReportedWithTheirLine) {
    test::TempDir dir;
    const Transcript run = RunScriptFile(dir, "command ID_SLIDESHOW_SPEED\nclick middle\n");
    EXPECT_EQ(run.status, 2);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_NE(run.lines[0].find(":2: click takes left or right"), std::string::npos) << run.lines[0];
}

TEST(ScriptRun, ShortShowOfThreePictures) {
    test::TempDir dir;
    const auto paths = test::WriteBmpSlides(dir, 3);
    const Transcript run = RunScriptFile(dir,
                                         "answer dialog OK m_speedValue=0\n"
                                         "command ID_SLIDESHOW_SPEED\n"
                                         "answer files " +
                                             paths[0] + " " + paths[1] + " " + paths[2] +
                                             "\n"
                                             "command ID_SLIDESHOW_FILE_SELECT\n"
                                             "command ID_SLIDESHOW_START\n");
    EXPECT_EQ(run.status, 0);
    Lines slides;
    for (const auto& l : run.lines) {
        if (l.rfind("{\"event\":\"slide\"", 0) == 0) slides.push_back(l);
    }
    const Lines expected = {
        "{\"event\":\"slide\",\"number\":1,\"path\":\"" + paths[0] + "\",\"width\":3,\"height\":2}",
        "{\"event\":\"slide\",\"number\":2,\"path\":\"" + paths[1] + "\",\"width\":4,\"height\":2}",
        "{\"event\":\"slide\",\"number\":3,\"path\":\"" + paths[2] + "\",\"width\":5,\"height\":2}",
    };
    EXPECT_EQ(slides, expected);
    // The only box is File Select's summary: every picture loaded.
    EXPECT_EQ(std::count_if(run.lines.begin(), run.lines.end(),
                            [](const std::string& l) { return l.rfind("{\"event\":\"box\"", 0) == 0; }),
              1);
    EXPECT_EQ(run.lines.back(), "{\"event\":\"quit\"}");
}

}  // namespace
}  // namespace vantor
