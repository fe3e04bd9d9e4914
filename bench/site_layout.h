#pragma once

#include <cstdint>
#include <string>
#include <vector>

// splitmix64: small, fast and the same on every platform.
class CRandom
{
public:
    explicit CRandom(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to bound - 1; bound > 0.
    std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }

private:
    std::uint64_t m_state;
};

struct CDirectory
{
    std::string path; // below the site directory, with a trailing slash; "" for its top
    int depth = 0;
    int parent = -1;
    std::vector<int> children;
    std::vector<int> pages;
    std::vector<int> files;
};

// Where the pages and files of a generated site live: a tree of directories four levels deep
// below "/site/" (8 sections, 5 parts each, a "deep" directory in each part), pages and files
// dealt out over them in turn. Page 0 is "/site/index.html"; the first page of every directory
// is its "index.html".
class CSiteLayout
{
public:
    CSiteLayout(int pages, int files);

    int PageCount() const { return static_cast<int>(m_pageDirectory.size()); }
    int FileCount() const { return static_cast<int>(m_fileDirectory.size()); }
    const std::vector<CDirectory>& Dirs() const { return m_dirs; }
    const CDirectory& Dir(int dir) const { return m_dirs[static_cast<std::size_t>(dir)]; }
    int PageDir(int page) const { return m_pageDirectory[static_cast<std::size_t>(page)]; }
    int FileDir(int file) const { return m_fileDirectory[static_cast<std::size_t>(file)]; }
    // The page's place in its directory, 0 for the directory's index page.
    int PageIndex(int page) const { return m_indexInDirectory[static_cast<std::size_t>(page)]; }

    std::string PageName(int page) const;
    std::string FileName(int file) const;
    // URL paths from the document root.
    std::string PagePath(int page) const;
    std::string FilePath(int file) const;
    // The shortest relative link from fromDir to name in toDir ("../" steps, then down).
    std::string Relative(int fromDir, int toDir, const std::string& name) const;
    bool IsBelow(int dir, int ancestor) const;

private:
    std::vector<CDirectory> m_dirs;
    std::vector<int> m_pageDirectory;
    std::vector<int> m_indexInDirectory;
    std::vector<int> m_fileDirectory;
};
