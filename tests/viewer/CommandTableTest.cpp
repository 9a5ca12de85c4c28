// The command table: the one place a command is registered.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "TestSupport.h"
#include "resource.h"
#include "viewer/Commands.h"

namespace vantor {
namespace {

TEST(CommandTable, EveryItemRunsSomethingAndIsNamedOnce) {
    std::set<int> ids;
    std::set<std::string> names;
    for (const Command& c : Commands()) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(ids.insert(c.id).second);
        EXPECT_TRUE(names.insert(c.name).second);
        EXPECT_EQ(CommandByName(c.name), c.id);
        // Only the window's own bars have an item the view does not run.
        const bool windowsOwn = c.id == ID_VIEW_TOOLBAR || c.id == ID_VIEW_STATUS_BAR;
        if (c.popup != MenuPopup::None) {
            EXPECT_EQ(c.handler == nullptr, windowsOwn);
        }
    }
    std::size_t items = 0;
    for (const MenuItem& popup : MainMenu()) {
        for (const MenuItem& item : popup.popup) {
            if (item.id == 0) continue;
            ++items;
            EXPECT_NE(FindCommand(item.id), nullptr) << item.text;
        }
    }
    EXPECT_EQ(items, Commands().size() - 1);  // all but ID_FILE_NEW
}

TEST(CommandTable, TheScriptDocsListEveryCommandAsTheTableHasIt) {
    std::ifstream in(std::string(VANTOR_TEST_DATA) + "/../../docs/commands.md");
    std::stringstream docs;
    docs << in.rdbuf();
    EXPECT_NE(docs.str().find(CommandTableMarkdown()), std::string::npos)
        << "docs/commands.md should hold this table:\n"
        << CommandTableMarkdown();
}

TEST(CommandTable, GreyingFollowsTheRunsUnderWay) {
    struct Case {
        const char* state;
        int id;
        bool enabled;
    };
    const Case cases[] = {
        {"idle", ID_SLIDESHOW_START, true},
        {"idle", ID_SLIDESHOW_ABORT, false},
        {"idle", ID_VIEW_TOOLBAR, false},
        {"idle", ID_FILE_NEW, false},
        {"show", ID_SLIDESHOW_START, false},
        {"show", ID_VIEW_ABORT, true},
        {"show", ID_EFFECT_SHOW_DIRECTORIES, false},
        {"show", ID_SLIDESHOW_SPEED, true},
        {"search or sort", ID_SLIDESHOW_FILE_CLEAR, false},
        {"search or sort", ID_EFFECT_SHOW_SLIDE_FILES, true},
        {"search or sort", ID_APP_EXIT, true},
        {"search or sort", ID_FILE_WRITE_START, false},
    };
    for (const Case& c : cases) {
        test::ScriptedView s;
        if (std::string(c.state) == "show") s.view.m_stopped = 0;
        std::optional<CVantorView::LongRun> run;
        if (std::string(c.state) == "search or sort") run.emplace(s.view);
        EXPECT_EQ(s.view.IsCommandEnabled(c.id), c.enabled) << c.state << " " << CommandName(c.id);
    }
}

}  // namespace
}  // namespace vantor
