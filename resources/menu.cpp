#include <cstring>

#include "resource.h"

namespace vantor {

namespace {

struct Named {
    int id;
    const char* name;
};

constexpr Named kNames[] = {
    {ID_FILE_NEW, "ID_FILE_NEW"},
    {ID_FILE_OPEN, "ID_FILE_OPEN"},
    {ID_APP_ABOUT, "ID_APP_ABOUT"},
    {ID_APP_EXIT, "ID_APP_EXIT"},
    {ID_VIEW_TOOLBAR, "ID_VIEW_TOOLBAR"},
    {ID_VIEW_STATUS_BAR, "ID_VIEW_STATUS_BAR"},
    {ID_FILE_SAVE_RGB_AS, "ID_FILE_SAVE_RGB_AS"},
    {ID_FILE_SAVE_GRAYSCALE_JPEG, "ID_FILE_SAVE_GRAYSCALE_JPEG"},
    {ID_FILE_SAVE_COLORMAPPED_BMP, "ID_FILE_SAVE_COLORMAPPED_BMP"},
    {ID_FILE_GET_JPG_DIMENSIONS, "ID_FILE_GET_JPG_DIMENSIONS"},
    {ID_SLIDESHOW_FILE_SELECT, "ID_SLIDESHOW_FILE_SELECT"},
    {ID_SLIDESHOW_START, "ID_SLIDESHOW_START"},
    {ID_SLIDESHOW_HALT_RESTART, "ID_SLIDESHOW_HALT_RESTART"},
    {ID_SLIDESHOW_ABORT, "ID_SLIDESHOW_ABORT"},
    {ID_SLIDESHOW_FILE_CLEAR, "ID_SLIDESHOW_FILE_CLEAR"},
    {ID_SLIDESHOW_SPEED, "ID_SLIDESHOW_SPEED"},
    {ID_SLIDESHOW_SCALE, "ID_SLIDESHOW_SCALE"},
    {ID_SLIDESHOW_JUMP, "ID_SLIDESHOW_JUMP"},
    {ID_VIEW_HALT_RESTART, "ID_VIEW_HALT_RESTART"},
    {ID_VIEW_ABORT, "ID_VIEW_ABORT"},
    {ID_EFFECT_BACKGROUND, "ID_EFFECT_BACKGROUND"},
    {ID_EFFECT_PROGRESS_BAR, "ID_EFFECT_PROGRESS_BAR"},
    {ID_HELP_HOW_TO_USE_1, "ID_HELP_HOW_TO_USE_1"},
    {ID_EFFECT_SHOW_SLIDE_FILES, "ID_EFFECT_SHOW_SLIDE_FILES"},
    {ID_FILE_WRITE_START, "ID_FILE_WRITE_START"},
    {ID_SLIDESHOW_AUTO_SEARCH, "ID_SLIDESHOW_AUTO_SEARCH"},
    {ID_EFFECT_SHOW_DIRECTORIES, "ID_EFFECT_SHOW_DIRECTORIES"},
    {ID_SLIDESHOW_FILE_SORT, "ID_SLIDESHOW_FILE_SORT"},
    {ID_AUTO_SEARCH_SELECT_MODE, "ID_AUTO_SEARCH_SELECT_MODE"},
    {ID_AUTO_SEARCH_REMOVE_MODE, "ID_AUTO_SEARCH_REMOVE_MODE"},
    {ID_AUTO_SEARCH_DRIVE_MODE, "ID_AUTO_SEARCH_DRIVE_MODE"},
    {ID_HELP_HOW_TO_USE_2, "ID_HELP_HOW_TO_USE_2"},
    {ID_HELP_HOW_TO_USE_FEATURES, "ID_HELP_HOW_TO_USE_FEATURES"},
    {ID_VIEW_AUTO_ROTATE, "ID_VIEW_AUTO_ROTATE"},
};

}  // namespace

const char* CommandName(int id) {
    for (const auto& n : kNames) {
        if (n.id == id) return n.name;
    }
    return "";
}

int CommandByName(const std::string& name) {
    for (const auto& n : kNames) {
        if (name == n.name) return n.id;
    }
    return 0;
}

const std::vector<MenuItem>& MainMenu() {
    static const std::vector<MenuItem> menu = {
        {"&File", 0, {
            {"&Open...\tCtrl+O", ID_FILE_OPEN, {}},
            {"Save RGB &As...", ID_FILE_SAVE_RGB_AS, {}},
            {"Save As Jpeg Grayscale...", ID_FILE_SAVE_GRAYSCALE_JPEG, {}},
            {"Save 1,4,8 bit BMP...", ID_FILE_SAVE_COLORMAPPED_BMP, {}},
            {"Get Dimensions (JPG)", ID_FILE_GET_JPG_DIMENSIONS, {}},
            {"", 0, {}},
            {"Slide Show File Auto Search From Selected Directories (select_mode)", ID_AUTO_SEARCH_SELECT_MODE, {}},
            {"Slide Show File Auto Search From Selected Directories (remove_mode)", ID_AUTO_SEARCH_REMOVE_MODE, {}},
            {"Slide Show File Auto Search From Selected Drive  (for Vista / 7 / 8) ", ID_AUTO_SEARCH_DRIVE_MODE, {}},
            {"Slide Show File Auto Search", ID_SLIDESHOW_AUTO_SEARCH, {}},
            {"Slide Show File Select (Shift+Ctrl...Multi Select) ", ID_SLIDESHOW_FILE_SELECT, {}},
            {"", 0, {}},
            {"Slide Show Start", ID_SLIDESHOW_START, {}},
            {"Slide Show Halt-Restart", ID_SLIDESHOW_HALT_RESTART, {}},
            {"Slide Show Abort", ID_SLIDESHOW_ABORT, {}},
            {"Slide Show File Clear", ID_SLIDESHOW_FILE_CLEAR, {}},
            {"", 0, {}},
            {"Slide File Write Start  (Batch conversion writing to JPEG or BMP from JPEG , BMP / n - 10000)",
             ID_FILE_WRITE_START, {}},
            {"", 0, {}},
            {"E&xit", ID_APP_EXIT, {}},
        }},
        {"&View", 0, {
            {"&Toolbar", ID_VIEW_TOOLBAR, {}},
            {"&Status Bar", ID_VIEW_STATUS_BAR, {}},
            {"", 0, {}},
            {"Slide Show Speed", ID_SLIDESHOW_SPEED, {}},
            {"Slide Show Scale", ID_SLIDESHOW_SCALE, {}},
            {"Slide Show Jump", ID_SLIDESHOW_JUMP, {}},
            {"", 0, {}},
            {"Slide Show Halt-Restart", ID_VIEW_HALT_RESTART, {}},
            {"Slide Show Abort", ID_VIEW_ABORT, {}},
            {"", 0, {}},
            {"Slide Show File_Sort", ID_SLIDESHOW_FILE_SORT, {}},
            {"", 0, {}},
            {"Rotate by EXIF Orientation", ID_VIEW_AUTO_ROTATE, {}},
        }},
        {"&Effect", 0, {
            {"&Background color ( Gray or Black or White / Toggle sw) ", ID_EFFECT_BACKGROUND, {}},
            {"&Progress Bar (Check For None Display)", ID_EFFECT_PROGRESS_BAR, {}},
            {"", 0, {}},
            {"Show Selected SlideFiles ", ID_EFFECT_SHOW_SLIDE_FILES, {}},
            {"Show Selected Directories", ID_EFFECT_SHOW_DIRECTORIES, {}},
        }},
        {"&Help", 0, {
            {"&About vantor...", ID_APP_ABOUT, {}},
            {"", 0, {}},
            {"&How to Use 1", ID_HELP_HOW_TO_USE_1, {}},
            {"&How to Use 2", ID_HELP_HOW_TO_USE_2, {}},
            {"&How to Use", ID_HELP_HOW_TO_USE_FEATURES, {}},
        }},
    };
    return menu;
}

const std::vector<int>& ToolbarButtons() {
    static const std::vector<int> buttons = {
        ID_FILE_OPEN, 0, ID_FILE_SAVE_RGB_AS, ID_FILE_SAVE_GRAYSCALE_JPEG, ID_FILE_SAVE_COLORMAPPED_BMP, 0,
        ID_FILE_GET_JPG_DIMENSIONS, ID_APP_ABOUT,
    };
    return buttons;
}

}  // namespace vantor
