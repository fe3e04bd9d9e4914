#include "settings/DataPaths.h"

#include "platform/AtomicFile.h"

#include <cerrno>
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

std::string KeepDamagedFile(const std::string& path)
{
    // Enough for years of damage; past that the file stays and start-up goes on.
    constexpr int kMaxCopies = 1000;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return {};
    for (int copy = 0; copy < kMaxCopies; ++copy)
    {
        const std::string aside = path + ".bad" + (copy == 0 ? "" : std::to_string(copy));
        const int moved = MoveWithoutReplacing(path, aside);
        if (moved == 0)
            return aside;
        if (moved != EEXIST)
            break;
    }
    return {};
}
