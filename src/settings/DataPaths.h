#pragma once

#include <string>

// Where the data files live: a relative name is joined to the working directory with "/", an
// absolute name (beginning with "/") is used unchanged.
std::string JoinDataPath(const std::string& workDir, const std::string& name);

// The download directory that the defaults choose: the working directory + "/dl/".
std::string DefaultDownloadDir(const std::string& workDir);

// The process's current directory, or "." when it cannot be read.
std::string CurrentDirectory();

// Moves a data file that exists but could not be used aside to path + ".bad" (replacing an
// older one), so that the valid file written in its place later does not destroy what it held.
// Does nothing when there is no such file.
void KeepDamagedFile(const std::string& path);
