#pragma once

#include <string>

// Where the data files live: a relative name is joined to the working directory with "/", an
// absolute name (beginning with "/") is used unchanged.
std::string JoinDataPath(const std::string& workDir, const std::string& name);

// The download directory that the defaults choose: the working directory + "/dl/".
std::string DefaultDownloadDir(const std::string& workDir);

// The process's current directory, or "." when it cannot be read.
std::string CurrentDirectory();

// Moves a data file that exists but could not be used aside, so that the valid file written in
// its place later does not destroy what it held: to path + ".bad", or when that is taken by an
// earlier copy, the first free of path + ".bad1", ".bad2", ... Does nothing when there is no
// such file. Returns where the file went, empty when it stayed.
std::string KeepDamagedFile(const std::string& path);
