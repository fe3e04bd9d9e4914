#pragma once

#include <string>

// Files of a download that lie in its folder, which other users may share (a folder such as
// /tmp): whatever is found there under our names may have been put there by someone else.

// Creates a new file at path for the user alone (mode 0600): never an existing file and never
// through a symbolic link. The descriptor (opened with extra flags as well), or -1 with errno
// set.
int CreatePrivateFile(const std::string& path, int flags);

// True when the opened file is a regular file of the user's own that nobody else can write
// and that has no second name: one that no other user can have put there or change.
bool IsOwnPrivateFile(int fd);

// Gives the file the mode that a new file of the user gets (0666 less the umask), for a file
// that is about to take its final name. 0 or the system's error number.
int GiveUsualMode(int fd);
