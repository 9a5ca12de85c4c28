// The sort of the slide list: the dialog, the ten orders on real files, the
// progress lines, and stopping with Escape at each kind of check.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "sort/CSortDialog.h"
#include "sort/SortTestSupport.h"

namespace vantor {
namespace {

using test::SortHarness;

// The radio buttons by kind, as the dialog lays them out.
constexpr int kButton[10] = {1019, 1024, 1020, 1025, 1021, 1026, 1022, 1027, 1023, 1028};

const char* const kStartName = "  FILE名 昇順SORT 開始します。\n条件によっては時間がかかります。";
const char* const kEndName = "  FILE名 昇順SORT 終了しました。 ";
const char* const kStopBox = "stop sorting ?|ソートを中断しますか? クリックしてください。";

std::string StartBox(const char* text) { return std::string("START of sorting|") + text; }
std::string EndBox(const char* text) { return std::string("END of sorting|") + text; }

std::vector<std::string> Numbered(const std::string& folder, unsigned count, bool reversed) {
    std::vector<std::string> paths;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned n = reversed ? count - 1 - i : i;
        char name[32];
        std::snprintf(name, sizeof name, "/s%05u.jpg", n);
        paths.push_back(folder + name);
    }
    return paths;
}

TEST(SortDialog, TemplateAndChoice) {
    SortHarness h;
    h.SetList({"/p/b.jpg", "/p/a.jpg"});
    h.view.m_sortKind = 5;
    // OK without a click: file name ascending, whatever kind was chosen before.
    h.Sort(0);
    EXPECT_EQ(h.view.m_sortKind, 0);
    EXPECT_EQ(h.List(), (std::vector<std::string>{"/p/a.jpg", "/p/b.jpg"}));
    const auto dialogs = h.Events("dialog");
    ASSERT_FALSE(dialogs.empty());
    EXPECT_EQ(dialogs[0]["id"], 146);
    EXPECT_EQ(dialogs[0]["title"], "　　　　　　　　SLIDE FILE SORT (並べ替え)");
    EXPECT_EQ(h.Boxes(), (std::vector<std::string>{StartBox(kStartName), EndBox(kEndName)}));

    // A click chooses the kind, and the choice is kept for the next time.
    h.Sort(1027);
    EXPECT_EQ(h.view.m_sortKind, 7);

    // Cancel: nothing happens.
    h.out.str("");
    h.AnswerDialog(IDCANCEL);
    h.view.OnCommand(ID_SLIDESHOW_FILE_SORT);
    EXPECT_TRUE(h.Boxes().empty());
    EXPECT_EQ(h.view.m_sortKind, 7);

    const DialogTemplate& t = SortDialogTemplate();
    std::vector<std::string> texts;
    for (const auto& c : t.controls) texts.push_back(c.text);
    const std::vector<std::string> expected = {"昇順",
                                               "降順",
                                               "FILE_NAME。",
                                               "FILE_NAME(descending)。",
                                               "FOLDER NAME。",
                                               "FOLDER NAME(descending)。",
                                               "SIZE。",
                                               "SIZE(descending)。",
                                               "DATE。",
                                               "DATE(descending)。",
                                               "FILE TYPE。",
                                               "FILE TYPE(descending)。",
                                               "BMP -> JPEG",
                                               "JPEG -> BMP",
                                               "OK",
                                               "ｷｬﾝｾﾙ"};
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(t.controls[2].id, 1019);
    EXPECT_EQ(t.controls[3].id, 1024);
}

TEST(Sort, MessagesOfEveryKind) {
    const char* const start[10] = {
        "  FILE名 昇順SORT 開始します。\n条件によっては時間がかかります。",
        "  FILE名 降順SORT 開始します。\n条件によっては時間がかかります。",
        "  FOLDER名 昇順SORT 開始します。\n条件によっては時間がかかります。",
        "  FOLDER名 降順SORT 開始します。\n条件によっては時間がかかります。",
        "  SIZE 昇順SORT 開始します。\n条件によっては時間がかかります。",
        "  SIZE 降順SORT 開始します。\n条件によっては時間がかかります。",
        "  DATE 昇順SORT 開始します。\n条件によっては時間がかかります。",
        "  DATE 降順SORT 開始します。\n条件によっては時間がかかります。",
        "  種類別(BMP->JPEG) 昇順SORT 開始します。\n条件によっては時間がかかります。",
        "  種類別(JPEG->BMP) 降順SORT 開始します。\n条件によっては時間がかかります。",
    };
    const char* const end[10] = {
        "  FILE名 昇順SORT 終了しました。 ",
        "  FILE名 降順順SORT 終了しました。 ",
        "  FOLDER名 昇順SORT 終了しました。 ",
        "  FOLDER名 降順SORT 終了しました。 ",
        "  SIZE 昇順SORT 終了しました。 ",
        "  SIZE 降順SORT 終了しました。 ",
        "  DATE 昇順SORT 終了しました。 ",
        "  DATE 降順SORT 終了しました。 ",
        "  種類別(BMP->JPEG) 昇順SORT 終了しました。 ",
        "  種類別(JPEG->BMP) 降順SORT 終了しました。 ",
    };
    // An empty list and a single slide: both boxes, nothing else changes.
    for (int kind = 0; kind < 10; ++kind) {
        SortHarness h;
        if (kind % 2 == 1) h.SetList({"/nowhere/only.jpg"});
        h.Sort(kButton[kind]);
        EXPECT_EQ(h.Boxes(), (std::vector<std::string>{StartBox(start[kind]), EndBox(end[kind])})) << kind;
        EXPECT_EQ(h.view.m_slides.m_slideCount, kind % 2 == 1 ? 1u : 0u);
        if (kind % 2 == 1) {
            EXPECT_EQ(h.view.m_slides.m_slidePath[0], "/nowhere/only.jpg");
        }
        EXPECT_EQ(h.view.m_sorting, 0);
        EXPECT_EQ(h.ui.waitDepth, 0);
    }
}

TEST(Sort, NamePartFolderCaseAndUnderscore) {
    SortHarness h;
    h.SetList({"/c/b/x.jpg", "/c/a/y.jpg"});
    h.Sort(1019);
    EXPECT_EQ(h.List(), (std::vector<std::string>{"/c/b/x.jpg", "/c/a/y.jpg"}));
    EXPECT_EQ(h.view.m_slides.m_slideName[0], "/x.jpg");
    h.Sort(1020);
    EXPECT_EQ(h.List(), (std::vector<std::string>{"/c/a/y.jpg", "/c/b/x.jpg"}));
    EXPECT_EQ(h.view.m_slides.m_slidePath2[0], "/c/a/y.jpg");
    EXPECT_EQ(h.view.m_slides.m_slideName[0], "/y.jpg");

    // Names differing only in letter case are equal keys: they keep their order both ways.
    for (int button : {1019, 1024}) {
        h.SetList({"/p/A.JPG", "/q/a.jpg"});
        h.Sort(button);
        EXPECT_EQ(h.List(), (std::vector<std::string>{"/p/A.JPG", "/q/a.jpg"})) << button;
        h.SetList({"/q/a.jpg", "/p/A.JPG"});
        h.Sort(button);
        EXPECT_EQ(h.List(), (std::vector<std::string>{"/q/a.jpg", "/p/A.JPG"})) << button;
    }

    // Folded to lower case, the underscore sorts below the letters (upper case would not).
    h.SetList({"/p/a.jpg", "/p/_a.jpg", "/p/B.jpg"});
    h.Sort(1019);
    EXPECT_EQ(h.List(), (std::vector<std::string>{"/p/_a.jpg", "/p/a.jpg", "/p/B.jpg"}));
}

TEST(Sort, FileTypeGroupsKeepTheirOrder) {
    SortHarness h;
    const std::vector<std::string> list = {"/p/1.jpg", "/p/2.bmp", "/p/3.JPG", "/p/4.jpeg", "/p/5.BMP", "/p/6.jpg"};
    h.SetList(list);
    h.Sort(1023);
    EXPECT_EQ(h.List(),
              (std::vector<std::string>{"/p/2.bmp", "/p/5.BMP", "/p/1.jpg", "/p/3.JPG", "/p/6.jpg", "/p/4.jpeg"}));
    h.SetList(list);
    h.Sort(1028);
    EXPECT_EQ(h.List(),
              (std::vector<std::string>{"/p/4.jpeg", "/p/1.jpg", "/p/3.JPG", "/p/6.jpg", "/p/2.bmp", "/p/5.BMP"}));
}

// The runtime library's case-insensitive comparison, written here on its own.
int CompareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        const int ca = fold(static_cast<unsigned char>(a[i])), cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct Keys {
    std::string name, path, type;
    unsigned long long size = 0;
    long long time = 0;
};

Keys KeysOf(const std::string& path) {
    Keys k;
    k.path = path;
    k.name = path.substr(path.rfind('/'));
    k.type = path.substr(path.size() - 4);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        k.size = static_cast<unsigned long long>(st.st_size);
        k.time = static_cast<long long>(st.st_mtime);
    }
    return k;
}

// Negative when a's key comes before b's in the ascending order of a kind.
int CompareKeys(int kind, const Keys& a, const Keys& b) {
    switch (kind / 2) {
        case 0: return CompareNoCase(a.name, b.name);
        case 1: return CompareNoCase(a.path, b.path);
        case 2: return a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
        case 3: return a.time < b.time ? -1 : (a.time > b.time ? 1 : 0);
        default: return CompareNoCase(a.type, b.type);
    }
}

std::vector<std::string> Expected(int kind, const std::vector<std::string>& list) {
    std::vector<std::pair<std::string, Keys>> items;
    for (const auto& p : list) items.emplace_back(p, KeysOf(p));
    std::stable_sort(items.begin(), items.end(), [kind](const auto& a, const auto& b) {
        const int c = CompareKeys(kind, a.second, b.second);
        return kind % 2 == 0 ? c < 0 : c > 0;
    });
    std::vector<std::string> paths;
    for (const auto& item : items) paths.push_back(item.first);
    return paths;
}

TEST(Sort, EveryKindBothWaysMatchesAStableSort) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Up");
    std::filesystem::create_directories(dir.path() / "down");
    std::mt19937 rng(7);
    const char* const stems[] = {"a", "A", "_a", "b", "B1", "b1", "zz", "Zz", "m_x", "0"};
    const char* const endings[] = {".jpg", ".JPG", ".bmp", ".BMP", ".jpeg"};
    // A pool of files, drawn from into a list of more than two blocks of 500, so
    // that every kind of key repeats often (and some paths do too).
    std::vector<std::string> pool;
    for (int i = 0; i < 160; ++i) {
        const std::string folder = (dir.path() / (i % 3 == 0 ? "Up" : "down")).string();
        const std::string path = folder + "/" + stems[rng() % 10] + std::to_string(rng() % 40) + endings[rng() % 5];
        if (!std::filesystem::exists(path)) {
            test::WriteFile(path, std::vector<unsigned char>(rng() % 7 * 100, 1));
            test::SetModified(path, 1'600'000'000LL + static_cast<long long>(rng() % 9) * 3600);
        }
        pool.push_back(path);
    }
    std::vector<std::string> list;
    for (int i = 0; i < 1100; ++i) list.push_back(pool[rng() % pool.size()]);
    list.push_back(dir.File("down/missing.jpg"));  // size 0, time 0
    std::shuffle(list.begin(), list.end(), rng);

    for (int kind = 0; kind < 10; ++kind) {
        SortHarness h;
        h.SetList(list);
        h.Sort(kButton[kind]);
        EXPECT_EQ(h.List(), Expected(kind, list)) << "kind " << kind;
        EXPECT_EQ(h.view.m_slides.m_slideName[5], h.List()[5].substr(h.List()[5].rfind('/')));
    }
}

TEST(Sort, SizesOfTwoGigabytesAndMoreSortAsLarge) {
    test::TempDir dir;
    const std::string small = dir.File("small.jpg"), mid = dir.File("mid.jpg"), big = dir.File("big.jpg"),
                      huge = dir.File("huge.jpg"), missing = dir.File("missing.jpg");
    test::WriteFile(small, std::vector<unsigned char>(10, 1));
    test::WriteFile(mid, std::vector<unsigned char>(2000, 1));
    // Sparse: no disk space is taken. 3 GiB is negative as a signed 32-bit size,
    // 4 GiB + 5 would be 5 if the size were cut to 32 bits.
    test::WriteFile(big, {});
    std::filesystem::resize_file(big, 3ull << 30);
    test::WriteFile(huge, {});
    std::filesystem::resize_file(huge, (4ull << 30) + 5);
    const std::vector<std::string> list = {huge, big, mid, missing, small};
    SortHarness h;
    h.SetList(list);
    h.Sort(1021);
    EXPECT_EQ(h.List(), (std::vector<std::string>{missing, small, mid, big, huge}));
    h.Sort(1026);
    EXPECT_EQ(h.List(), (std::vector<std::string>{huge, big, mid, small, missing}));
}

TEST(Sort, DatesBefore1970SortAsTheOldest) {
    test::TempDir dir;
    const std::string old = dir.File("old.jpg"), lastDay = dir.File("lastday.jpg"), recent = dir.File("recent.jpg"),
                      missing = dir.File("missing.jpg");
    for (const std::string& p : {old, lastDay, recent}) test::WriteFile(p, {1});
    test::SetModified(old, -315'619'200LL);  // 1 January 1960
    test::SetModified(lastDay, -1);          // the last second of 1969
    test::SetModified(recent, 1'600'000'000LL);
    SortHarness h;
    h.SetList({recent, missing, lastDay, old});
    h.Sort(1022);
    // A missing file counts as time 0: after every date before 1970.
    EXPECT_EQ(h.List(), (std::vector<std::string>{old, lastDay, missing, recent}));
    h.Sort(1027);
    EXPECT_EQ(h.List(), (std::vector<std::string>{recent, missing, lastDay, old}));
}

TEST(Sort, TwelveHundredSlidesVisitFourBlocks) {
    SortHarness h;
    const auto sorted = Numbered("/n", 1200, false);
    h.SetList(Numbered("/n", 1200, true));
    h.Sort(1019);
    EXPECT_EQ(h.List(), sorted);

    // Pre-sort lines (x = 5) name the three blocks that hold slides, by E * E.
    std::vector<std::string> totals;
    for (const auto& line : h.DrawnAt(5, 126)) {
        const std::string total = line.substr(line.find(" /  ") + 4);
        if (std::find(totals.begin(), totals.end(), total) == totals.end()) totals.push_back(total);
    }
    EXPECT_EQ(totals, (std::vector<std::string>{"250000  )", "1000000  )", "2250000  )"}));
    const auto first = h.DrawnAt(5, 126);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0], "( sorting.. 100  /  250000  )");
    EXPECT_EQ(h.DrawnAt(5, 96)[0], "/n/s01199.jpg");  // the first pass has carried the largest to position 100
    EXPECT_EQ(h.DrawnAt(6, 36).front(), "Press ESC to Abort ( 途中 中断のとき Esc キー押し下げ )");

    // Loading and storing count against the capacity, placing against N.
    const auto loading = h.DrawnAt(15, 66);
    ASSERT_EQ(loading.size(), 2400u);
    EXPECT_EQ(loading.front(), "( loading.. 1  /  10000  )");
    EXPECT_EQ(loading[1199], "( loading.. 1200  /  10000  )");
    EXPECT_EQ(loading[1200], "( storing.. 1  /  10000  )");
    EXPECT_EQ(loading.back(), "( storing.. 1200  /  10000  )");
    const auto placed = h.DrawnAt(15, 186);
    EXPECT_EQ(placed.front(), "( sorted.. 100  /  1200  )");
    EXPECT_EQ(placed.back(), "( sorted.. 1200  /  1200  )");
    EXPECT_EQ(placed.size(), 11u + 100u);  // every hundredth, then each of the last hundred
    EXPECT_EQ(h.DrawnAt(8, 156).back(), "/n/s01199.jpg");
    // The selection's lines: its change counter over N * N, and the new candidate's key.
    const auto changes = h.DrawnAt(15, 126);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front(), "( sorting.. 100  /  1440000  )");
    EXPECT_EQ(h.DrawnAt(8, 96).front().rfind("/s0", 0), 0u);
    // Every progress row was erased with the blank line of 658 spaces first.
    EXPECT_TRUE(std::any_of(h.ui.drawn.begin(), h.ui.drawn.end(),
                            [](const auto& d) { return d.y == 186 && d.x == 5 && d.text == std::string(658, ' '); }));
}

TEST(Sort, EscapeDuringLoadingThenStopAtTheFirstCheck) {
    SortHarness h;
    const auto list = Numbered("/n", 20, true);
    h.SetList(list);
    h.AtPump(3, VK_ESCAPE);
    h.Sort(1019, {IDCANCEL});  // STOP
    EXPECT_EQ(h.Boxes(), (std::vector<std::string>{StartBox(kStartName), kStopBox}));
    EXPECT_EQ(h.Dialogs(), (std::vector<std::string>{"146:OK", "141:Cancel"}));
    // Asked at the first pre-sort step, right after the 20 loading pumps.
    EXPECT_EQ(h.ui.pumpAtDialog.back(), 20u);
    EXPECT_EQ(h.List(), list);
    EXPECT_EQ(h.view.m_sorting, 0);
    EXPECT_EQ(h.ui.waitDepth, 0);
}

TEST(Sort, EscapeInThePreSortThenContinue) {
    SortHarness h;
    h.SetList(Numbered("/n", 20, true));
    h.AtPump(3, VK_ESCAPE);
    h.Sort(1019, {IDOK});  // CONTINUE
    EXPECT_EQ(h.Boxes(), (std::vector<std::string>{StartBox(kStartName), kStopBox, EndBox(kEndName)}));
    EXPECT_EQ(h.List(), Numbered("/n", 20, false));
}

TEST(Sort, EscapeInTheSelection) {
    // Over 500 slides the pre-sort leaves work for the selection, which pumps on
    // every change of candidate.
    const auto list = Numbered("/n", 700, true);
    SortHarness dry;
    dry.SetList(list);
    dry.Sort(1019);
    const auto sorting = dry.ui.sortingAtPump;
    const unsigned total = static_cast<unsigned>(sorting.size());
    const unsigned lastChange = dry.LastPumpWith(1);
    unsigned firstChange = lastChange;
    while (firstChange > 1 && sorting[firstChange - 2] == 1) --firstChange;
    ASSERT_EQ(total - lastChange, 700u);  // the storing pumps follow the last change
    ASSERT_GT(lastChange, firstChange);
    ASSERT_EQ(sorting[firstChange - 2], 0);  // the name refresh, with Escape not taken

    {  // STOP at the next change: the end message, the list as it was.
        SortHarness h;
        h.SetList(list);
        h.AtPump(firstChange, VK_ESCAPE);
        h.Sort(1019, {IDCANCEL});
        EXPECT_EQ(h.Boxes(), (std::vector<std::string>{StartBox(kStartName), kStopBox, EndBox(kEndName)}));
        EXPECT_EQ(h.Dialogs().back(), "141:Cancel");
        EXPECT_EQ(h.List(), list);
        EXPECT_EQ(h.ui.waitDepth, 0);
    }
    {  // After the last change nothing checks until the storing is done: the final check asks.
        SortHarness h;
        h.SetList(list);
        h.AtPump(lastChange, VK_ESCAPE);
        h.Sort(1019, {IDOK});
        EXPECT_EQ(h.Boxes(), (std::vector<std::string>{StartBox(kStartName), kStopBox, EndBox(kEndName)}));
        EXPECT_EQ(h.ui.pumpAtDialog.back(), total);
        EXPECT_EQ(h.List(), Numbered("/n", 700, false));
    }
    {  // The same, answered STOP: no end message, the list as it was.
        SortHarness h;
        h.SetList(list);
        h.AtPump(lastChange, VK_ESCAPE);
        h.Sort(1019, {IDCANCEL});
        EXPECT_EQ(h.Boxes(), (std::vector<std::string>{StartBox(kStartName), kStopBox}));
        EXPECT_EQ(h.List(), list);
        EXPECT_EQ(h.ui.waitDepth, 0);
    }
    {  // Escape during the storing is not taken as an interruption.
        SortHarness h;
        h.SetList(list);
        h.AtPump(total - 5, VK_ESCAPE);
        h.Sort(1019);
        EXPECT_EQ(h.Boxes(), (std::vector<std::string>{StartBox(kStartName), EndBox(kEndName)}));
        EXPECT_EQ(h.List(), Numbered("/n", 700, false));
    }
}

TEST(Sort, ListCommandsAreGreyedWhileItRuns) {
    SortHarness h;
    h.SetList(Numbered("/n", 10, true));
    ScriptAction clear;
    clear.kind = ScriptAction::Kind::Command;
    clear.value = ID_SLIDESHOW_FILE_CLEAR;
    h.ui.QueueAtPump(2, clear);
    h.Sort(1019);
    EXPECT_EQ(h.view.m_slides.m_slideCount, 10u);
    EXPECT_EQ(h.List(), Numbered("/n", 10, false));
    EXPECT_TRUE(h.view.IsCommandEnabled(ID_SLIDESHOW_FILE_CLEAR));
}

}  // namespace
}  // namespace vantor
