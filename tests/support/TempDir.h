#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

// A fresh directory under the system's temporary folder, removed with everything in it.
class CTempDir
{
public:
    CTempDir()
    {
        std::random_device rd;
        for (int attempt = 0; attempt < 100; ++attempt)
        {
            auto candidate = std::filesystem::temp_directory_path() /
                             ("harvestor-test-" + std::to_string(rd()));
            if (std::filesystem::create_directory(candidate))
            {
                m_path = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot create a temporary directory");
    }
    ~CTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
