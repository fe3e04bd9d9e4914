#include "site_generator.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string_view>

namespace
{

constexpr int kSections = 8;
constexpr int kPartsPerSection = 5;
constexpr int kMinLinksPerPage = 12;
constexpr std::size_t kMinFileBytes = 1024;
constexpr std::size_t kMaxFileBytes = 8 * 1024;
constexpr const char* kSiteDir = "site/";

// The default file types, each with a name stem of its own.
constexpr struct
{
    const char* stem;
    const char* extension;
} kFileKinds[] = {{"setup", "exe"}, {"archive", "zip"}, {"clip", "qt"},  {"movie", "mov"},
                  {"photo", "jpg"}, {"video", "avi"},   {"song", "mp3"}, {"list", "m3u"},
                  {"film", "mpeg"}, {"reel", "mpg"}};

constexpr std::string_view kWords[] = {
    "harvest", "archive", "release", "download", "mirror",    "update",  "driver",     "manual",
    "version", "package", "latest",  "stable",   "preview",   "gallery", "collection", "sample",
    "project", "support", "notes",   "history",  "index",     "readme",  "install",    "archive",
    "summer",  "winter",  "journal", "travel",   "recording", "session"};

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

struct CLink
{
    std::string href;
    int page = -1; // the page it leads to, -1 for a file or another kind of link
    int file = -1;
};

class CSiteBuilder
{
public:
    CSiteBuilder(const CSiteSpec& spec) : m_spec(spec), m_random(spec.m_seed) {}

    void Lay();
    std::vector<CLink> LinksOf(int page);
    std::string HtmlOf(int page, const std::vector<CLink>& links);
    std::string FileBytes();

    std::string PageName(int page) const
    {
        const int index = m_indexInDirectory[static_cast<std::size_t>(page)];
        if (index == 0)
            return "index.html";
        char name[32];
        std::snprintf(name, sizeof name, "page%03d.html", index);
        return name;
    }
    std::string FileName(int file) const
    {
        const auto& kind = kFileKinds[static_cast<std::size_t>(file) % std::size(kFileKinds)];
        char name[48];
        std::snprintf(name, sizeof name, "%s%04d.%s", kind.stem, file, kind.extension);
        return name;
    }
    std::string PagePath(int page) const
    {
        return "/" + std::string(kSiteDir) + Dir(PageDir(page)).path + PageName(page);
    }
    std::string FilePath(int file) const
    {
        return "/" + std::string(kSiteDir) + Dir(FileDir(file)).path + FileName(file);
    }
    int PageDir(int page) const { return m_pageDirectory[static_cast<std::size_t>(page)]; }
    int FileDir(int file) const { return m_fileDirectory[static_cast<std::size_t>(file)]; }
    const CDirectory& Dir(int dir) const { return m_dirs[static_cast<std::size_t>(dir)]; }
    int FileCount() const { return static_cast<int>(m_fileDirectory.size()); }
    const std::vector<CDirectory>& Dirs() const { return m_dirs; }

private:
    std::string Relative(int fromDir, int toDir, const std::string& name) const;
    bool IsBelow(int dir, int ancestor) const;
    int RandomPage() { return static_cast<int>(m_random.Below(m_pageDirectory.size())); }
    // The directory itself or one of its subdirectories, the directory itself most often.
    int RandomDirBelow(int dir)
    {
        while (!Dir(dir).children.empty() && m_random.Below(3) != 0)
            dir = Dir(dir).children[m_random.Below(Dir(dir).children.size())];
        return dir;
    }
    // Without cross links never the start page: its own text is not a met link for a crawler,
    // which would read it again.
    int RandomPageIn(int dir)
    {
        const auto& pages = Dir(dir).pages;
        const std::size_t first =
            (pages[0] == 0 && pages.size() > 1 && !m_spec.m_crossLinks) ? 1 : 0;
        return pages[first + m_random.Below(pages.size() - first)];
    }

    const CSiteSpec& m_spec;
    CRandom m_random;
    std::vector<CDirectory> m_dirs;
    std::vector<int> m_pageDirectory;
    std::vector<int> m_indexInDirectory;
    std::vector<int> m_fileDirectory;
};

void CSiteBuilder::Lay()
{
    // Directories in breadth-first order, so that any first n of them form a connected tree.
    std::vector<CDirectory> all;
    all.push_back({"", 0, -1, {}, {}, {}});
    for (int s = 0; s < kSections; ++s)
        all.push_back({"sec" + std::to_string(s) + "/", 1, 0, {}, {}, {}});
    for (int s = 0; s < kSections; ++s)
        for (int p = 0; p < kPartsPerSection; ++p)
            all.push_back(
                {all[static_cast<std::size_t>(1 + s)].path + "part" + std::to_string(p) + "/",
                 2,
                 1 + s,
                 {},
                 {},
                 {}});
    const int parts = kSections * kPartsPerSection;
    for (int p = 0; p < parts; ++p)
        all.push_back({all[static_cast<std::size_t>(1 + kSections + p)].path + "deep/",
                       3,
                       1 + kSections + p,
                       {},
                       {},
                       {}});

    const std::size_t used =
        std::min<std::size_t>(all.size(), static_cast<std::size_t>(m_spec.m_pages));
    m_dirs.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(used));
    for (std::size_t d = 1; d < m_dirs.size(); ++d)
        m_dirs[static_cast<std::size_t>(m_dirs[d].parent)].children.push_back(static_cast<int>(d));

    for (int page = 0; page < m_spec.m_pages; ++page)
    {
        const int dir = page % static_cast<int>(m_dirs.size());
        m_pageDirectory.push_back(dir);
        m_indexInDirectory.push_back(
            static_cast<int>(m_dirs[static_cast<std::size_t>(dir)].pages.size()));
        m_dirs[static_cast<std::size_t>(dir)].pages.push_back(page);
    }
    const int files = std::max(1, m_spec.m_pages / std::max(1, m_spec.m_pagesPerFile));
    for (int file = 0; file < files; ++file)
    {
        const int dir = file % static_cast<int>(m_dirs.size());
        m_fileDirectory.push_back(dir);
        m_dirs[static_cast<std::size_t>(dir)].files.push_back(file);
    }
}

bool CSiteBuilder::IsBelow(int dir, int ancestor) const
{
    for (; dir >= 0; dir = Dir(dir).parent)
        if (dir == ancestor)
            return true;
    return false;
}

std::string CSiteBuilder::Relative(int fromDir, int toDir, const std::string& name) const
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

std::vector<CLink> CSiteBuilder::LinksOf(int page)
{
    const int dir = PageDir(page);
    const CDirectory& here = Dir(dir);
    const auto index = static_cast<std::size_t>(m_indexInDirectory[static_cast<std::size_t>(page)]);
    const std::size_t wanted =
        static_cast<std::size_t>(std::max(m_spec.m_linksPerPage, kMinLinksPerPage));
    std::vector<CLink> links;
    const auto pageLink = [&](int target, std::string href) {
        links.push_back({std::move(href), target, -1});
    };
    const auto fileLink = [&](int file, std::string href) {
        links.push_back({std::move(href), -1, file});
    };
    const auto randomFile = [&]
    { return static_cast<int>(m_random.Below(static_cast<std::size_t>(FileCount()))); };
    // A page in this directory or below it, written relative, root-relative or as a step up
    // and down again ("../here/...").
    const auto pageBelow = [&](int form)
    {
        const int below = RandomDirBelow(dir);
        const int target = RandomPageIn(below);
        if (form == 1)
            pageLink(target, PagePath(target));
        else if (form == 2 && here.parent >= 0)
            pageLink(target, "../" + here.path.substr(Dir(here.parent).path.size()) +
                                 Relative(dir, below, PageName(target)));
        else
            pageLink(target, Relative(dir, below, PageName(target)));
    };

    // What keeps every page reachable through links into the same or a deeper directory: the
    // next two pages of the directory and the index pages of its subdirectories.
    if (index + 1 < here.pages.size())
        pageLink(here.pages[index + 1], PageName(here.pages[index + 1]));
    if (index + 2 < here.pages.size())
        pageLink(here.pages[index + 2],
                 (m_spec.m_awkwardLinks ? "./" : "") + PageName(here.pages[index + 2]));
    if (!here.children.empty())
    {
        if (index == 0)
            for (int child : here.children)
                pageLink(Dir(child).pages[0], Relative(dir, child, "index.html"));
        else
        {
            const int child = here.children[index % here.children.size()];
            pageLink(Dir(child).pages[0], Relative(dir, child, "index.html"));
        }
    }

    // The usual mix, in a fixed order, as long as there is room.
    std::vector<std::function<void()>> extras;
    extras.push_back([&] { pageBelow(0); });
    extras.push_back([&] { pageBelow(1); });
    if (here.parent >= 0)
        extras.push_back([&] { pageBelow(2); });
    if (!here.files.empty())
        extras.push_back(
            [&]
            {
                const int file = here.files[m_random.Below(here.files.size())];
                fileLink(file, FileName(file));
            });
    extras.push_back(
        [&]
        {
            const int target = RandomPageIn(dir);
            pageLink(target, PageName(target) + "#section2");
        });
    extras.push_back(
        [&]
        {
            const int file = randomFile();
            fileLink(file, FilePath(file));
        });
    if (here.parent >= 0 && !Dir(here.parent).files.empty())
        extras.push_back(
            [&]
            {
                const auto& files = Dir(here.parent).files;
                const int file = files[m_random.Below(files.size())];
                fileLink(file, Relative(dir, here.parent, FileName(file)));
            });
    extras.push_back([&] { links.push_back({"mailto:webmaster@example.invalid", -1, -1}); });
    extras.push_back(
        [&]
        {
            const int file = randomFile();
            fileLink(file, Relative(dir, FileDir(file), FileName(file)));
        });
    if (m_spec.m_crossLinks)
    {
        // Home, a page of the parent directory and pages anywhere.
        extras.insert(extras.begin(), [&] { pageLink(0, PagePath(0)); });
        if (here.parent >= 0)
            extras.push_back(
                [&]
                {
                    const int target = RandomPageIn(here.parent);
                    pageLink(target, Relative(dir, here.parent, PageName(target)));
                });
        extras.push_back(
            [&]
            {
                const int target = RandomPage();
                pageLink(target, PagePath(target));
            });
    }
    for (std::size_t i = 0; i < extras.size() && links.size() < wanted; ++i)
        extras[i]();

    // The rest: pages here or below, and with cross links anywhere on the site.
    for (int form = 0; links.size() < wanted; form = (form + 1) % 3)
    {
        if (m_spec.m_crossLinks && m_random.Below(2) == 0)
        {
            const int target = RandomPage();
            pageLink(target, Relative(dir, PageDir(target), PageName(target)));
        }
        else
            pageBelow(form);
    }
    return links;
}

std::string CSiteBuilder::HtmlOf(int page, const std::vector<CLink>& links)
{
    std::string html;
    const auto words = [&](std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            if (i != 0)
                html += ' ';
            html += kWords[m_random.Below(std::size(kWords))];
        }
    };
    const auto anchor = [&](std::size_t i)
    {
        const CLink& link = links[i];
        // Mostly double quotes; some single-quoted, unquoted and upper-case tags.
        if (i % 9 == 4)
            html += "<A HREF=\"" + link.href + "\">";
        else if (i % 7 == 3 && m_spec.m_awkwardLinks)
            html += "<a href='" + link.href + "'>";
        else if (i % 11 == 6)
            html += "<a class=item href=" + link.href + ">";
        else
            html += "<a href=\"" + link.href + "\">";
        words(1 + m_random.Below(3));
        html += (i % 9 == 4) ? "</A>" : "</a>";
    };

    html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    words(3);
    html += " - page " + std::to_string(page) + "</title>\n</head>\n<body>\n<h1>";
    words(4);
    html += "</h1>\n<ul class=\"nav\">\n";
    const std::size_t navigation = std::min<std::size_t>(5, links.size());
    for (std::size_t i = 0; i < navigation; ++i)
    {
        html += "  <li>";
        anchor(i);
        html += "</li>\n";
    }
    html += "</ul>\n";
    // The other links sit in paragraphs of text, one to three each.
    std::size_t next = navigation;
    while (next < links.size())
    {
        html += "<p>";
        words(40 + m_random.Below(80));
        const std::size_t inParagraph =
            std::min<std::size_t>(1 + m_random.Below(3), links.size() - next);
        for (std::size_t i = 0; i < inParagraph; ++i)
        {
            html += ' ';
            anchor(next++);
            html += ' ';
            words(5 + m_random.Below(20));
        }
        html += ".</p>\n";
    }
    html += "<p class=\"footer\">";
    words(20);
    html += "</p>\n</body>\n</html>\n";
    return html;
}

std::string CSiteBuilder::FileBytes()
{
    std::string bytes(kMinFileBytes + m_random.Below(kMaxFileBytes - kMinFileBytes + 1), '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(m_random.Next() & 0xFF);
    return bytes;
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
    {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

// Pages reached from page 0 over every link.
std::size_t CountReachable(const std::vector<std::vector<int>>& targets)
{
    std::vector<bool> seen(targets.size(), false);
    std::vector<int> queue{0};
    seen[0] = true;
    for (std::size_t next = 0; next < queue.size(); ++next)
        for (int target : targets[static_cast<std::size_t>(queue[next])])
            if (!seen[static_cast<std::size_t>(target)])
            {
                seen[static_cast<std::size_t>(target)] = true;
                queue.push_back(target);
            }
    return queue.size();
}

// Reads and distinct pages read by a crawl that judges each link once, on the page where it is
// first met, and follows it only into that page's directory or below (see CGeneratedSite).
template <class IsBelow>
void PredictReads(const std::vector<std::vector<int>>& targets, IsBelow isBelow,
                  CGeneratedSite& site)
{
    std::vector<bool> met(targets.size(), false);
    std::vector<bool> queued(targets.size(), false);
    std::vector<bool> read(targets.size(), false);
    std::vector<int> queue;
    const auto browse = [&](int page)
    {
        ++site.m_predictedReads;
        read[static_cast<std::size_t>(page)] = true;
        for (int target : targets[static_cast<std::size_t>(page)])
        {
            const auto t = static_cast<std::size_t>(target);
            if (met[t])
                continue;
            met[t] = true;
            if (isBelow(page, target) && !queued[t])
            {
                queued[t] = true;
                queue.push_back(target);
            }
        }
    };
    browse(0);
    for (std::size_t next = 0; next < queue.size(); ++next)
        browse(queue[next]);
    site.m_predictedDistinctReads =
        static_cast<std::size_t>(std::count(read.begin(), read.end(), true));
}

} // namespace

bool GenerateSite(const std::string& documentRoot, const CSiteSpec& spec, CGeneratedSite& site,
                  std::string& error)
{
    site = CGeneratedSite{};
    if (spec.m_pages < 1)
    {
        error = "a site needs a page";
        return false;
    }
    CSiteBuilder builder(spec);
    builder.Lay();

    const std::filesystem::path root = std::filesystem::path(documentRoot) / kSiteDir;
    std::error_code code;
    for (const CDirectory& dir : builder.Dirs())
    {
        std::filesystem::create_directories(root / dir.path, code);
        if (code)
        {
            error = "cannot create " + (root / dir.path).string() + ": " + code.message();
            return false;
        }
    }

    std::vector<std::vector<int>> targets(static_cast<std::size_t>(spec.m_pages));
    std::set<int> linkedFiles;
    for (int page = 0; page < spec.m_pages; ++page)
    {
        const std::vector<CLink> links = builder.LinksOf(page);
        for (const CLink& link : links)
        {
            if (link.page >= 0)
                targets[static_cast<std::size_t>(page)].push_back(link.page);
            if (link.file >= 0)
                linkedFiles.insert(link.file);
        }
        const std::string html = builder.HtmlOf(page, links);
        const std::string path = builder.PagePath(page);
        if (!WriteFile(std::filesystem::path(documentRoot) / path.substr(1), html, error))
            return false;
        site.m_pagePaths.push_back(path);
        site.m_links += links.size();
        site.m_pageBytes += html.size();
    }
    for (int file = 0; file < builder.FileCount(); ++file)
    {
        const std::string bytes = builder.FileBytes();
        const std::string path = builder.FilePath(file);
        if (!WriteFile(std::filesystem::path(documentRoot) / path.substr(1), bytes, error))
            return false;
        site.m_filePaths.push_back(path);
        site.m_fileBytes += bytes.size();
    }

    site.m_startPath = builder.PagePath(0);
    site.m_linkedFiles = linkedFiles.size();
    site.m_reachableBelowStart = CountReachable(targets);
    if (!spec.m_awkwardLinks)
        PredictReads(
            targets,
            [&](int from, int to)
            {
                const std::string& fromDir = builder.Dir(builder.PageDir(from)).path;
                return builder.Dir(builder.PageDir(to)).path.compare(0, fromDir.size(), fromDir) ==
                       0;
            },
            site);
    return true;
}
