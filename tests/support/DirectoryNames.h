#pragma once

#include <filesystem>
#include <set>
#include <string>

// The names of the entries of a directory.
inline std::set<std::string> DirectoryNames(const std::filesystem::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}
