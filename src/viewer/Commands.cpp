#include "viewer/Commands.h"

#include <algorithm>

#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

using V = CVantorView;
constexpr auto kFile = MenuPopup::File, kView = MenuPopup::View, kEffect = MenuPopup::Effect, kHelp = MenuPopup::Help;
// A show, a write, a search or a sort would be disturbed by these.
constexpr unsigned kIdleOnly = kWhenStopped | kNoLongRun;

// clang-format off
constexpr Command kCommands[] = {
    // id                            name                            popup   sep    text                                                   rule          handler                        checked  note
    {ID_FILE_OPEN,                   "ID_FILE_OPEN",                 kFile,  false, "&Open...\tCtrl+O",                                    kAnyTime,     &V::OnOpenImage,               nullptr, ""},
    {ID_FILE_SAVE_RGB_AS,            "ID_FILE_SAVE_RGB_AS",          kFile,  false, "Save RGB &As...",                                     kAnyTime,     &V::OnSaveRgbAs,               nullptr, ""},
    {ID_FILE_SAVE_GRAYSCALE_JPEG,    "ID_FILE_SAVE_GRAYSCALE_JPEG",  kFile,  false, "Save As Jpeg Grayscale...",                           kAnyTime,     &V::OnSaveGrayscaleJpeg,       nullptr, ""},
    {ID_FILE_SAVE_COLORMAPPED_BMP,   "ID_FILE_SAVE_COLORMAPPED_BMP", kFile,  false, "Save 1,4,8 bit BMP...",                               kAnyTime,     &V::OnSaveColormappedbmp,      nullptr, ""},
    {ID_FILE_GET_JPG_DIMENSIONS,     "ID_FILE_GET_JPG_DIMENSIONS",   kFile,  false, "Get Dimensions (JPG)",                                kAnyTime,     &V::OnGetJpgDimensions,        nullptr, ""},
    {ID_AUTO_SEARCH_SELECT_MODE,     "ID_AUTO_SEARCH_SELECT_MODE",   kFile,  true,  "Slide Show File Auto Search From Selected Directories (select_mode)", kIdleOnly, &V::OnAutoSearchSelectMode, nullptr, ""},
    {ID_AUTO_SEARCH_REMOVE_MODE,     "ID_AUTO_SEARCH_REMOVE_MODE",   kFile,  false, "Slide Show File Auto Search From Selected Directories (remove_mode)", kIdleOnly, &V::OnAutoSearchRemoveMode, nullptr, ""},
    {ID_AUTO_SEARCH_DRIVE_MODE,      "ID_AUTO_SEARCH_DRIVE_MODE",    kFile,  false, "Slide Show File Auto Search From Selected Drive  (for Vista / 7 / 8) ", kIdleOnly, &V::OnAutoSearchDriveMode, nullptr, ""},
    {ID_SLIDESHOW_AUTO_SEARCH,       "ID_SLIDESHOW_AUTO_SEARCH",     kFile,  false, "Slide Show File Auto Search",                         kIdleOnly,    &V::OnAutoSearch,              nullptr, ""},
    {ID_SLIDESHOW_FILE_SELECT,       "ID_SLIDESHOW_FILE_SELECT",     kFile,  false, "Slide Show File Select (Shift+Ctrl...Multi Select) ", kIdleOnly,    &V::OnFileSelect,              nullptr, ""},
    {ID_SLIDESHOW_START,             "ID_SLIDESHOW_START",           kFile,  true,  "Slide Show Start",                                    kIdleOnly,    &V::OnSlideShowStart,          nullptr, ""},
    {ID_SLIDESHOW_HALT_RESTART,      "ID_SLIDESHOW_HALT_RESTART",    kFile,  false, "Slide Show Halt-Restart",                             kWhenRunning, &V::OnHaltRestart,             nullptr, ""},
    {ID_SLIDESHOW_ABORT,             "ID_SLIDESHOW_ABORT",           kFile,  false, "Slide Show Abort",                                    kWhenRunning, &V::OnAbort,                   nullptr, ""},
    {ID_SLIDESHOW_FILE_CLEAR,        "ID_SLIDESHOW_FILE_CLEAR",      kFile,  false, "Slide Show File Clear",                               kIdleOnly,    &V::OnFileClear,               nullptr, ""},
    {ID_FILE_WRITE_START,            "ID_FILE_WRITE_START",          kFile,  true,  "Slide File Write Start  (Batch conversion writing to JPEG or BMP from JPEG , BMP / n - 10000)", kIdleOnly, &V::OnFileWriteStart, nullptr, ""},
    {ID_APP_EXIT,                    "ID_APP_EXIT",                  kFile,  true,  "E&xit",                                               kWhenStopped, &V::OnAppExit,                 nullptr, ""},
    {ID_VIEW_TOOLBAR,                "ID_VIEW_TOOLBAR",              kView,  false, "&Toolbar",                                            kAnyTime,     nullptr,                       nullptr, "window only"},
    {ID_VIEW_STATUS_BAR,             "ID_VIEW_STATUS_BAR",           kView,  false, "&Status Bar",                                         kAnyTime,     nullptr,                       nullptr, "window only"},
    {ID_VIEW_FULL_SCREEN,            "ID_VIEW_FULL_SCREEN",          kView,  false, "&Full Screen\tF11",                                   kAnyTime,     &V::OnFullScreen,
     [](const V& v) { return v.m_fullScreen; }, ""},
    {ID_VIEW_FIT_WINDOW,             "ID_VIEW_FIT_WINDOW",           kView,  false, "Fit to &Window",                                      kAnyTime,     &V::OnFitWindow,
     [](const V& v) { return v.m_fitWindow; }, "the frame is the `client` size less 30 on each side"},
    {ID_SLIDESHOW_SPEED,             "ID_SLIDESHOW_SPEED",           kView,  true,  "Slide Show Speed",                                    kAnyTime,     &V::OnSpeed,                   nullptr, ""},
    {ID_SLIDESHOW_SCALE,             "ID_SLIDESHOW_SCALE",           kView,  false, "Slide Show Scale",                                    kAnyTime,     &V::OnScale,                   nullptr, ""},
    {ID_SLIDESHOW_JUMP,              "ID_SLIDESHOW_JUMP",            kView,  false, "Slide Show Jump",                                     kAnyTime,     &V::OnJump,                    nullptr, ""},
    {ID_VIEW_HALT_RESTART,           "ID_VIEW_HALT_RESTART",         kView,  true,  "Slide Show Halt-Restart",                             kWhenRunning, &V::OnHaltRestart,             nullptr, ""},
    {ID_VIEW_ABORT,                  "ID_VIEW_ABORT",                kView,  false, "Slide Show Abort",                                    kWhenRunning, &V::OnAbort,                   nullptr, ""},
    {ID_SLIDESHOW_FILE_SORT,         "ID_SLIDESHOW_FILE_SORT",       kView,  true,  "Slide Show File_Sort",                                kIdleOnly,    &V::OnFileSort,                nullptr, ""},
    {ID_VIEW_AUTO_ROTATE,            "ID_VIEW_AUTO_ROTATE",          kView,  true,  "Rotate by EXIF Orientation",                          kAnyTime,     &V::OnAutoRotate,
     [](const V& v) { return v.m_autoRotate; }, "`--auto-rotate`"},
    {ID_EFFECT_BACKGROUND,           "ID_EFFECT_BACKGROUND",         kEffect, false, "&Background color ( Gray or Black or White / Toggle sw) ", kAnyTime, &V::OnBackgroundToggle,
     [](const V& v) { return v.m_backColor == V::kBackWhite; }, ""},
    {ID_EFFECT_PROGRESS_BAR,         "ID_EFFECT_PROGRESS_BAR",       kEffect, false, "&Progress Bar (Check For None Display)",             kAnyTime,     &V::OnProgressBarToggle,
     [](const V& v) { return v.m_progressMode == V::kProgressFull; }, ""},
    {ID_EFFECT_SHOW_SLIDE_FILES,     "ID_EFFECT_SHOW_SLIDE_FILES",   kEffect, true, "Show Selected SlideFiles ",                           kWhenStopped, &V::OnShowSlideFiles,          nullptr, ""},
    {ID_EFFECT_SHOW_DIRECTORIES,     "ID_EFFECT_SHOW_DIRECTORIES",   kEffect, false, "Show Selected Directories",                          kWhenStopped, &V::OnShowDirectories,         nullptr, ""},
    {ID_APP_ABOUT,                   "ID_APP_ABOUT",                 kHelp,  false, "&About vantor...",                                    kAnyTime,     &V::OnAppAbout,                nullptr, ""},
    {ID_HELP_HOW_TO_USE_1,           "ID_HELP_HOW_TO_USE_1",         kHelp,  true,  "&How to Use 1",                                       kAnyTime,     &V::OnHowToUse1,               nullptr, ""},
    {ID_HELP_HOW_TO_USE_2,           "ID_HELP_HOW_TO_USE_2",         kHelp,  false, "&How to Use 2",                                       kAnyTime,     &V::OnHowToUse2,               nullptr, ""},
    {ID_HELP_HOW_TO_USE_FEATURES,    "ID_HELP_HOW_TO_USE_FEATURES",  kHelp,  false, "&How to Use",                                         kAnyTime,     &V::OnHowToUseFeatures,        nullptr, ""},
    // Known to scripts by name from the first version; nothing runs it.
    {ID_FILE_NEW,                    "ID_FILE_NEW",                  MenuPopup::None, false, "",                                           kAnyTime,     nullptr,                       nullptr, "no menu item, no action"},
};
// clang-format on

// An item's text as a reader sees it: no & marks, the accelerator apart.
std::string PlainText(const char* text, std::string* accelerator) {
    std::string plain, item = text;
    const std::size_t tab = item.find('\t');
    if (tab != std::string::npos) {
        if (accelerator) *accelerator = item.substr(tab + 1);
        item.resize(tab);
    }
    for (char c : item) {
        if (c != '&') plain += c;
    }
    while (!plain.empty() && plain.back() == ' ') plain.pop_back();
    return plain;
}

}  // namespace

std::span<const Command> Commands() { return kCommands; }

const Command* FindCommand(int id) {
    const auto it =
        std::find_if(std::begin(kCommands), std::end(kCommands), [id](const Command& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

const char* CommandName(int id) {
    const Command* c = FindCommand(id);
    return c ? c->name : "";
}

int CommandByName(const std::string& name) {
    for (const Command& c : kCommands) {
        if (name == c.name) return c.id;
    }
    return 0;
}

const std::vector<MenuItem>& MainMenu() {
    static const std::vector<MenuItem> menu = [] {
        std::vector<MenuItem> bar = {{"&File", 0, {}}, {"&View", 0, {}}, {"&Effect", 0, {}}, {"&Help", 0, {}}};
        for (const Command& c : kCommands) {
            if (c.popup == MenuPopup::None) continue;
            auto& items = bar[static_cast<std::size_t>(c.popup) - 1].popup;
            if (c.separatorBefore) items.push_back({"", 0, {}});
            items.push_back({c.text, c.id, {}});
        }
        return bar;
    }();
    return menu;
}

const std::vector<int>& ToolbarButtons() {
    static const std::vector<int> buttons = {
        ID_FILE_OPEN,
        0,
        ID_FILE_SAVE_RGB_AS,
        ID_FILE_SAVE_GRAYSCALE_JPEG,
        ID_FILE_SAVE_COLORMAPPED_BMP,
        0,
        ID_FILE_GET_JPG_DIMENSIONS,
        ID_APP_ABOUT,
    };
    return buttons;
}

std::string CommandTableMarkdown() {
    static const char* const kPopupNames[] = {"", "File", "View", "Effect", "Help"};
    std::string table = "| name | id | menu item |\n|---|---|---|\n";
    for (const Command& c : kCommands) {
        std::string accelerator, item;
        if (c.popup != MenuPopup::None) {
            item = std::string(kPopupNames[static_cast<int>(c.popup)]) + " > " + PlainText(c.text, &accelerator);
        }
        std::string notes = accelerator;
        if (*c.note) notes += (notes.empty() ? "" : ", ") + std::string(c.note);
        if (!notes.empty()) item += item.empty() ? notes : " (" + notes + ")";
        table += "| `" + std::string(c.name) + "` | " + std::to_string(c.id) + " | " + item + " |\n";
    }
    return table;
}

}  // namespace vantor
