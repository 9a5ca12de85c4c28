// Every menu command is one row of one table: its id, the name scripts use, its
// menu item, when it may run and what runs it. The menus, the greying during
// runs, the dispatch, the script's command names and docs/commands.md's table
// all come from these rows.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace vantor {

class CVantorView;

// Which popup of the menu bar holds a command's item.
enum class MenuPopup { None, File, View, Effect, Help };

// When a command may run; the flags combine.
enum RunRule : unsigned {
    kAnyTime = 0,
    kWhenStopped = 1u << 0,  // greyed while a show or a batch write runs
    kWhenRunning = 1u << 1,  // enabled only while a show or a batch write runs
    kNoLongRun = 1u << 2,    // refused while a search or a sort runs: it would change the
                             // slide list under it or start a second long run
};

struct Command {
    int id;
    const char* name;  // as scripts and docs name it: "ID_APP_EXIT"
    MenuPopup popup;
    bool separatorBefore;  // a separator line above the item
    const char* text;      // the item's text, an accelerator after a tab
    unsigned rule;         // RunRule flags
    // What runs it; nullptr for the window's own commands (the bars), which the
    // view never sees, and for a command with no action.
    void (CVantorView::*handler)();
    // Whether its item shows a check mark; nullptr for never.
    bool (*checked)(const CVantorView&);
    const char* note;  // what docs/commands.md adds in parentheses; "" for nothing
};

// Every command, in menu order (a command without an item last).
std::span<const Command> Commands();
// The row of an id; nullptr when there is none.
const Command* FindCommand(int id);

// The name of a command id ("ID_APP_EXIT"), and back; empty / 0 when unknown.
const char* CommandName(int id);
int CommandByName(const std::string& name);

struct MenuItem {
    std::string text;  // "" for a separator
    int id = 0;        // 0 for a separator or a popup
    std::vector<MenuItem> popup;
};

// The main window's menu bar, built from the rows.
const std::vector<MenuItem>& MainMenu();
// The toolbar, left to right; 0 stands for a gap.
const std::vector<int>& ToolbarButtons();

// The command table of docs/commands.md, as Markdown rows ("| name | id | item |").
std::string CommandTableMarkdown();

}  // namespace vantor
