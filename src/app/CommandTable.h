#pragma once

#include <span>

// One command: its identifier, the status-bar prompt and tooltip, and the toolbar image.
struct CCommandInfo
{
    int id;
    const char* prompt;  // shown in the status bar while the command is highlighted
    const char* tooltip; // nullptr: none
    const char* icon;    // resource name of the toolbar image without size suffix, or nullptr
    bool checkable;
};

// An item of a menu; the same command may appear with different texts in different menus.
struct CMenuItem
{
    int id;
    const char* text;
};

struct CMenuInfo
{
    const char* title;
    std::span<const CMenuItem> items;
};

// A key bound to a command; the key is in QKeySequence's portable text form.
struct CAccelerator
{
    const char* key;
    int id;
};

inline constexpr int kToolbarSeparator = 0;

// Every command the main window knows.
std::span<const CCommandInfo> CommandTable();
// The command's entry, or nullptr.
const CCommandInfo* FindCommand(int id);

// The main menu, left to right.
std::span<const CMenuInfo> MainMenu();
// The site tree's and the file list's pop-up menus.
std::span<const CMenuItem> SitePopupMenu();
std::span<const CMenuItem> FilePopupMenu();
// Toolbar buttons left to right; kToolbarSeparator marks a gap.
std::span<const int> ToolbarLayout();
std::span<const CAccelerator> Accelerators();

// The prompt of the status bar when nothing is highlighted.
inline constexpr const char* kIdlePrompt = "Ready";
