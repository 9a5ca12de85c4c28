// Command ids, dialog resource ids and the menu and dialog data of the program.
#pragma once

#include <string>
#include <vector>

#include "platform/Dialog.h"

namespace vantor {

// Menu and toolbar commands; what each is and does is its row in viewer/Commands.cpp.
enum CommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,

    ID_FILE_SAVE_RGB_AS = 32771,
    ID_FILE_SAVE_GRAYSCALE_JPEG = 32772,
    ID_FILE_SAVE_COLORMAPPED_BMP = 32773,
    ID_FILE_GET_JPG_DIMENSIONS = 32774,
    ID_SLIDESHOW_FILE_SELECT = 32775,
    ID_SLIDESHOW_START = 32776,
    ID_SLIDESHOW_HALT_RESTART = 32777,
    ID_SLIDESHOW_ABORT = 32778,
    ID_SLIDESHOW_FILE_CLEAR = 32779,
    ID_SLIDESHOW_SPEED = 32782,
    ID_SLIDESHOW_SCALE = 32783,
    ID_SLIDESHOW_JUMP = 32784,
    ID_VIEW_HALT_RESTART = 32785,
    ID_VIEW_ABORT = 32786,
    ID_EFFECT_BACKGROUND = 32787,
    ID_EFFECT_PROGRESS_BAR = 32788,
    ID_HELP_HOW_TO_USE_1 = 32789,
    ID_EFFECT_SHOW_SLIDE_FILES = 32790,
    ID_FILE_WRITE_START = 32791,
    ID_SLIDESHOW_AUTO_SEARCH = 32792,
    ID_EFFECT_SHOW_DIRECTORIES = 32793,
    ID_SLIDESHOW_FILE_SORT = 32795,
    ID_AUTO_SEARCH_SELECT_MODE = 32797,
    ID_AUTO_SEARCH_REMOVE_MODE = 32798,
    ID_AUTO_SEARCH_DRIVE_MODE = 32801,
    ID_HELP_HOW_TO_USE_2 = 32802,
    ID_HELP_HOW_TO_USE_FEATURES = 32803,
    ID_VIEW_FULL_SCREEN = 32811,
    ID_VIEW_FIT_WINDOW = 32812,
    ID_VIEW_AUTO_ROTATE = 32807,
};

// Dialog resources.
enum DialogId : int {
    IDD_ABOUTBOX = 100,
    IDD_SPEED = 139,
    IDD_SCALE = 140,
    IDD_STOP_OR_CONTINUE = 141,
    IDD_JUMP = 143,
    IDD_OVER_LIMIT = 144,
};

const DialogTemplate& SpeedDialogTemplate();
const DialogTemplate& ScaleDialogTemplate();
const DialogTemplate& StopOrContinueDialogTemplate();
const DialogTemplate& JumpDialogTemplate();
const DialogTemplate& OverLimitDialogTemplate();

}  // namespace vantor
