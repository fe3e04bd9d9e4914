#pragma once

// Command identifiers of menus, toolbar and accelerators. The numbers are the program's own
// and stay stable; the framework's standard commands keep the framework's numbers.
inline constexpr int ID_ADD_SITE = 1009;
inline constexpr int ID_DOWNLOAD_SELECTED = 1015;
inline constexpr int ID_REMOVE_FILES = 1018;
inline constexpr int ID_REMOVE_SITE = 1033;
inline constexpr int ID_EXPLORE = 32771; // toolbar only
inline constexpr int ID_VIEW_OPTIONS = 32772;
inline constexpr int ID_FIND_FILE = 32774;
inline constexpr int ID_FIND_SITE = 32775;
inline constexpr int ID_CANCEL_DOWNLOAD = 32780;
inline constexpr int ID_CANCEL_BROWSE = 32783;
inline constexpr int ID_SELECT_ALL = 32784;
inline constexpr int ID_HELP_CONTENTS = 32785;
inline constexpr int ID_REMOVE = 32786; // acts on the active pane
inline constexpr int ID_DETERMINE_SIZE = 32788;
inline constexpr int ID_OPEN_FILE = 32790;
inline constexpr int ID_OPEN_SITE = 32791;
inline constexpr int ID_MODE2 = 32792;
inline constexpr int ID_MODE3 = 32793;
inline constexpr int ID_MODE1 = 32794;
inline constexpr int ID_CTRL_T = 32797; // bound to Ctrl+T; does nothing
inline constexpr int ID_VIEW_STATS = 32798;
inline constexpr int ID_VIEW_DOWNLOADS = 32799;
inline constexpr int ID_HELP_TUTORIAL = 32802;
inline constexpr int ID_EXPORT = 32804;
inline constexpr int ID_WHY = 32805;

// The framework's standard commands.
inline constexpr int ID_FILE_NEW = 0xE100;
inline constexpr int ID_FILE_OPEN = 0xE101;
inline constexpr int ID_FILE_SAVE = 0xE103;
inline constexpr int ID_APP_ABOUT = 0xE140;
inline constexpr int ID_APP_EXIT = 0xE141;
inline constexpr int ID_NEXT_PANE = 0xE150;
inline constexpr int ID_PREV_PANE = 0xE151;
inline constexpr int ID_VIEW_TOOLBAR = 0xE800;
inline constexpr int ID_VIEW_STATUS_BAR = 0xE801;
