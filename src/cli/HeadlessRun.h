#pragma once

// Exit statuses of the command-line tool. When several apply, the first of usage, folder in
// use, file not saved, interrupted (128 + the signal), time limit, start page unread, download
// failed is the status.
inline constexpr int kExitAllRead = 0;
inline constexpr int kExitStartPageUnread = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDownloadFailed = 3;
inline constexpr int kExitFolderInUse = 4;
inline constexpr int kExitTimeLimit = 5;
inline constexpr int kExitFileNotSaved = 6;

// True when no display is available: neither DISPLAY nor WAYLAND_DISPLAY is set.
bool IsHeadlessEnvironment();

// The program without a window: crawls the command line's sites, downloads automatically when
// the options say so, ends when all work is done and prints the found files. Asks nothing:
// messages go to standard error and logins are cancelled. A mistake on the command line prints
// the usage. Returns the exit status.
int RunHeadless(int argc, const char* const* argv);
