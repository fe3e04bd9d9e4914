#include "app/CommandTable.h"

#include "app/CommandIds.h"

#include <algorithm>
#include <iterator>

namespace
{

constexpr CCommandInfo kCommands[] = {
    {ID_ADD_SITE, "Add a new site to explore.", "Add Site", "add_site", false},
    {ID_DOWNLOAD_SELECTED, "Downloads selected file.", "Download Selected", "download", false},
    {ID_REMOVE_FILES, "Remove the selected files from the list.", "Remove Selected", "remove_file",
     false},
    {ID_REMOVE_SITE, "Remove this site.", "Remove", "remove_site", false},
    {ID_EXPLORE, "Explore selected site.", "Explore", "explore", false},
    {ID_VIEW_OPTIONS, "View Options.", "Options", "options", false},
    {ID_FIND_FILE, "Search for files.", "Find File in List", "find_file", false},
    {ID_FIND_SITE, "Search for a particular site.", "Find Site in List", "find_site", false},
    {ID_CANCEL_DOWNLOAD, "Cancel all downloading.", "Cancel Download", "cancel_download", false},
    {ID_CANCEL_BROWSE, "Cancels all exploring threads.", "Cancel Browse", "cancel_browse", false},
    {ID_SELECT_ALL, "Select all files.", "Select All", nullptr, false},
    {ID_HELP_CONTENTS, "Get Help!", nullptr, nullptr, false},
    {ID_REMOVE, "", nullptr, nullptr, false},
    {ID_DETERMINE_SIZE, "Determine file size", "Determine Size", nullptr, false},
    {ID_OPEN_FILE, "Open this file directly from the web.", "Open", nullptr, false},
    {ID_OPEN_SITE, "Opens the site directly from the web.", "Open Site", nullptr, false},
    {ID_MODE1, "", nullptr, nullptr, false},
    {ID_MODE2, "", nullptr, nullptr, false},
    {ID_MODE3, "", nullptr, nullptr, false},
    {ID_CTRL_T, "", nullptr, nullptr, false},
    {ID_VIEW_STATS, "Show statistics", "Statistics", "stats", true},
    {ID_VIEW_DOWNLOADS, "Opens your download folder in the file manager", "Open Download Folder",
     "view_downloads", false},
    {ID_HELP_TUTORIAL, "Gives step by step instructions on using Harvestor", "Tutorial", nullptr,
     false},
    {ID_EXPORT, "Export File List", "Export File List", "export", false},
    {ID_WHY, "Explain what the crawl did with a link, and why.", "Why?", nullptr, false},
    {ID_FILE_NEW, "Start a new, empty document.", "New", nullptr, false},
    {ID_FILE_OPEN, "Open a document.", "Open", nullptr, false},
    {ID_FILE_SAVE, "Save the document.", "Save", nullptr, false},
    {ID_APP_ABOUT, "Show the program's version.", "About", nullptr, false},
    {ID_APP_EXIT, "Quit Harvestor.", "Exit", nullptr, false},
    {ID_NEXT_PANE, "Switch to the next pane.", "Next Pane", nullptr, false},
    {ID_PREV_PANE, "Switch back to the previous pane.", "Previous Pane", nullptr, false},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar.", "Toggle Toolbar", nullptr, true},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar.", "Toggle Status Bar", nullptr, true},
};

constexpr CMenuItem kFileMenu[] = {
    {ID_DOWNLOAD_SELECTED, "&Download Selected"},
    {ID_OPEN_FILE, "&Open..."},
    {ID_REMOVE_FILES, "&Remove Selected"},
    {ID_SELECT_ALL, "Select &All"},
    {ID_DETERMINE_SIZE, "Determine &Size"},
    {ID_FIND_FILE, "&Find in List..."},
    {ID_EXPORT, "&Export File List..."},
    {ID_CANCEL_DOWNLOAD, "&Cancel Download"},
    {ID_APP_EXIT, "E&xit"},
};

// The three mode items are renamed to the modes' names when the window is built.
constexpr CMenuItem kSiteMenu[] = {
    {ID_ADD_SITE, "&Add..."},
    {ID_MODE1, "MODE1"},
    {ID_MODE2, "MODE2"},
    {ID_MODE3, "MODE3"},
    {ID_OPEN_SITE, "&Open..."},
    {ID_REMOVE_SITE, "&Remove"},
    {ID_FIND_SITE, "&Find in List..."},
    {ID_WHY, "&Why?..."},
    {ID_CANCEL_BROWSE, "&Cancel Browse"},
};

constexpr CMenuItem kViewMenu[] = {
    {ID_VIEW_OPTIONS, "&Options..."},    {ID_VIEW_DOWNLOADS, "Open &Download Folder"},
    {ID_VIEW_STATS, "St&atistics"},      {ID_VIEW_TOOLBAR, "&Toolbar"},
    {ID_VIEW_STATUS_BAR, "&Status Bar"},
};

constexpr CMenuItem kHelpMenu[] = {
    {ID_HELP_CONTENTS, "&Contents..."},
    {ID_HELP_TUTORIAL, "&Tutorial..."},
    {ID_APP_ABOUT, "&About Harvestor"},
};

constexpr CMenuInfo kMainMenu[] = {
    {"&File", kFileMenu},
    {"&Site", kSiteMenu},
    {"&View", kViewMenu},
    {"&Help", kHelpMenu},
};

constexpr CMenuItem kSitePopup[] = {
    {ID_ADD_SITE, "&Add..."},
    {ID_MODE1, "MODE1"},
    {ID_MODE2, "MODE2"},
    {ID_MODE3, "MODE3"},
    {ID_OPEN_SITE, "&Open..."},
    {ID_REMOVE, "&Remove"},
    {ID_FIND_SITE, "&Find in List..."},
    {ID_WHY, "&Why?..."},
};

constexpr CMenuItem kFilePopup[] = {
    {ID_DOWNLOAD_SELECTED, "&Download Selected"},
    {ID_OPEN_FILE, "&Open..."},
    {ID_REMOVE, "&Remove Selected"},
    {ID_SELECT_ALL, "Select &All"},
    {ID_DETERMINE_SIZE, "Determine &Size"},
    {ID_FIND_FILE, "&Find in List..."},
    {ID_WHY, "&Why?..."},
    {ID_VIEW_DOWNLOADS, "Open &Download Folder"},
    {ID_EXPORT, "&Export File List..."},
};

constexpr int kToolbar[] = {
    ID_ADD_SITE,       ID_EXPLORE,           ID_REMOVE_SITE,    ID_CANCEL_BROWSE,   ID_FIND_SITE,
    kToolbarSeparator, ID_DOWNLOAD_SELECTED, ID_REMOVE_FILES,   ID_CANCEL_DOWNLOAD, ID_FIND_FILE,
    ID_EXPORT,         ID_VIEW_DOWNLOADS,    kToolbarSeparator, ID_VIEW_OPTIONS,    ID_VIEW_STATS,
};

// The clipboard and undo keys of the table reach no handler, so they are not bound at all.
constexpr CAccelerator kAccelerators[] = {
    {"Ctrl+A", ID_SELECT_ALL},  {"Ctrl+F", ID_FIND_FILE}, {"Del", ID_REMOVE},
    {"Ins", ID_ADD_SITE},       {"F1", ID_HELP_CONTENTS}, {"F6", ID_NEXT_PANE},
    {"Shift+F6", ID_PREV_PANE}, {"Ctrl+N", ID_FILE_NEW},  {"Ctrl+O", ID_FILE_OPEN},
    {"Ctrl+S", ID_FILE_SAVE},   {"Ctrl+T", ID_CTRL_T},    {"Ctrl+Q", ID_APP_EXIT},
};

} // namespace

std::span<const CCommandInfo> CommandTable()
{
    return kCommands;
}

const CCommandInfo* FindCommand(int id)
{
    const auto* found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                     [id](const CCommandInfo& info) { return info.id == id; });
    return found == std::end(kCommands) ? nullptr : found;
}

std::span<const CMenuInfo> MainMenu()
{
    return kMainMenu;
}

std::span<const CMenuItem> SitePopupMenu()
{
    return kSitePopup;
}

std::span<const CMenuItem> FilePopupMenu()
{
    return kFilePopup;
}

std::span<const int> ToolbarLayout()
{
    return kToolbar;
}

std::span<const CAccelerator> Accelerators()
{
    return kAccelerators;
}
