#include "site_layout.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace
{

constexpr int kSections = 8;
constexpr int kPartsPerSection = 5;
constexpr const char* kSiteDir = "/site/";

// The default file types, each with a name stem of its own.
constexpr struct
{
    const char* stem;
    const char* extension;
} kFileKinds[] = {{"setup", "exe"}, {"archive", "zip"}, {"clip", "qt"},  {"movie", "mov"},
                  {"photo", "jpg"}, {"video", "avi"},   {"song", "mp3"}, {"list", "m3u"},
                  {"film", "mpeg"}, {"reel", "mpg"}};

} // namespace

CSiteLayout::CSiteLayout(int pageCount, int fileCount)
{
    // Directories in breadth-first order, so that any first n of them form a connected tree.
    std::vector<CDirectory> all;
    const auto add = [&all](std::string path, int depth, int parent)
    {
        CDirectory dir;
        dir.path = std::move(path);
        dir.depth = depth;
        dir.parent = parent;
        all.push_back(std::move(dir));
    };
    add("", 0, -1);
    for (int s = 0; s < kSections; ++s)
        add("sec" + std::to_string(s) + "/", 1, 0);
    for (int s = 0; s < kSections; ++s)
        for (int p = 0; p < kPartsPerSection; ++p)
            add(all[static_cast<std::size_t>(1 + s)].path + "part" + std::to_string(p) + "/", 2,
                1 + s);
    for (int p = 0; p < kSections * kPartsPerSection; ++p)
        add(all[static_cast<std::size_t>(1 + kSections + p)].path + "deep/", 3, 1 + kSections + p);

    // At least two pages a directory, so that a page can link to another of its own.
    const std::size_t used =
        std::min<std::size_t>(all.size(), static_cast<std::size_t>(std::max(pageCount / 2, 1)));
    m_dirs.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(used));
    for (std::size_t d = 1; d < m_dirs.size(); ++d)
        m_dirs[static_cast<std::size_t>(m_dirs[d].parent)].children.push_back(static_cast<int>(d));

    for (int page = 0; page < pageCount; ++page)
    {
        const int dir = page % static_cast<int>(m_dirs.size());
        m_pageDirectory.push_back(dir);
        m_indexInDirectory.push_back(
            static_cast<int>(m_dirs[static_cast<std::size_t>(dir)].pages.size()));
        m_dirs[static_cast<std::size_t>(dir)].pages.push_back(page);
    }
    for (int file = 0; file < fileCount; ++file)
    {
        const int dir = file % static_cast<int>(m_dirs.size());
        m_fileDirectory.push_back(dir);
        m_dirs[static_cast<std::size_t>(dir)].files.push_back(file);
    }
}

bool CSiteLayout::IsBelow(int dir, int ancestor) const
{
    for (; dir >= 0; dir = Dir(dir).parent)
        if (dir == ancestor)
            return true;
    return false;
}

std::string CSiteLayout::Relative(int fromDir, int toDir, const std::string& name) const
{
    // Up to the nearest common ancestor, then down.
    int common = fromDir;
    while (!IsBelow(toDir, common))
        common = Dir(common).parent;
    std::string href;
    for (int depth = Dir(fromDir).depth; depth > Dir(common).depth; --depth)
        href += "../";
    href += Dir(toDir).path.substr(Dir(common).path.size());
    return href + name;
}

std::string CSiteLayout::PageName(int page) const
{
    const int index = PageIndex(page);
    if (index == 0)
        return "index.html";
    char name[32];
    std::snprintf(name, sizeof name, "page%03d.html", index);
    return name;
}

std::string CSiteLayout::FileName(int file) const
{
    const auto& kind = kFileKinds[static_cast<std::size_t>(file) % std::size(kFileKinds)];
    char name[48];
    std::snprintf(name, sizeof name, "%s%04d.%s", kind.stem, file, kind.extension);
    return name;
}

std::string CSiteLayout::PagePath(int page) const
{
    return kSiteDir + Dir(PageDir(page)).path + PageName(page);
}

std::string CSiteLayout::FilePath(int file) const
{
    return kSiteDir + Dir(FileDir(file)).path + FileName(file);
}
