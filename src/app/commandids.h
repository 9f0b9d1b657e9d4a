#pragma once
// Numeric command ids of the desktop program. Each command is one QAction that carries its id
// in QAction::data(); the status-bar text and tool tip of a command are the string with the
// same id ("status text\ntool tip"). The map view's own commands are in "view/viewhost.h".

namespace korvel {

enum CommandId : int {
    // Documents and program (the framework's standard ids).
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_MRU_FILE1 = 57616,  // up to ID_FILE_MRU_FILE1 + 9
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,

    // Bars.
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_TOOLBAR_FILE = 59399,
    ID_VIEW_TOOLBAR_ZOOM = 59400,
    ID_VIEW_TOOLBAR_IMPEXP = 59401,
    ID_VIEW_SATBAR = 59402,
    ID_VIEW_TOOLBAR_SURVEY = 59403,
    ID_VIEW_COMPASS = 59404,
    ID_VIEW_RESTORE_BARS = 32800,

    // Commands of the main frame.
    ID_GPS_SETTINGS = 32779,
    ID_GPS_ACTIVE = 32787,
    ID_COORDSYS = 32799,

    // Editing tools of the map view (shown once the tools exist).
    ID_VIEW_SELECT_OBJECTS = 32782,
    ID_VIEW_CREATE_POINT = 32786,

    // Surveying in the active view: point measurement, line recording, position display; the
    // pause button's face is switched by the main frame.
    ID_MEASURE_POINT = 32791,
    ID_MEASURE_TRACK = 32792,
    ID_SHOW_POSITION = 32793,
    ID_MEASURE_PAUSE = 32795,
    ID_MEASURE_STOP = 32796,

    // Languages: 40001 is the program's own German, 40001 + i the i-th language module.
    ID_LANGUAGE_FIRST = 40001,
    ID_LANGUAGE_LAST = 40101,
};

// String ids the shell uses besides the command strings.
enum ShellStringId : int {
    IDS_LANGUAGE_NAME = 102,  // the language's own name
    IDS_MAINFRAME_TITLE = 128,
    IDS_SATBAR_TITLE = 139,
    IDS_COMPASS_TITLE = 148,
    IDS_TOOLBAR_FILE = 1001,
    IDS_TOOLBAR_ZOOM = 1002,
    IDS_TOOLBAR_IMPEXP = 1003,
    IDS_TOOLBAR_SURVEY = 1004,
    IDS_PROGRAM_NAME = 1051,
    IDS_VERSION_LINE = 1052,
    IDS_PANE_COORDSYS = 1301,
    IDS_PANE_X = 1302,
    IDS_PANE_Y = 1303,
    IDS_IDLE_MESSAGE = 57345,
};

}  // namespace korvel
