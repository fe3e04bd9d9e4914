#include "settings/DataPaths.h"

#include <filesystem>
#include <system_error>

std::string JoinDataPath(const std::string& workDir, const std::string& name)
{
    if (!name.empty() && name.front() == '/')
        return name;
    if (workDir.empty())
        return name;
    // The root directory already ends in the separator.
    return workDir.back() == '/' ? workDir + name : workDir + "/" + name;
}

std::string DefaultDownloadDir(const std::string& workDir)
{
    return JoinDataPath(workDir, "dl/");
}

std::string CurrentDirectory()
{
    std::error_code error;
    auto path = std::filesystem::current_path(error);
    return error ? std::string(".") : path.string();
}

void KeepDamagedFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error))
        std::filesystem::rename(path, path + ".bad", error); // best effort: start-up goes on
}
