#include "site_generator.h"

#include "site_layout.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string_view>

namespace
{

constexpr int kMinLinksPerPage = 12;
constexpr std::size_t kMinFileBytes = 1024;
constexpr std::size_t kMaxFileBytes = 8 * 1024;

constexpr std::string_view kWords[] = {
    "harvest", "archive", "release", "download", "mirror",    "update",  "driver",     "manual",
    "version", "package", "latest",  "stable",   "preview",   "gallery", "collection", "sample",
    "project", "support", "notes",   "history",  "index",     "readme",  "install",    "archive",
    "summer",  "winter",  "journal", "travel",   "recording", "session"};

struct CLink
{
    std::string href;
    int page = -1; // the page it leads to, -1 for a file or another kind of link
    int file = -1;
};

// Links, page texts and file bytes over a layout, all from one random sequence.
class CSiteBuilder
{
public:
    CSiteBuilder(const CSiteShape& shape, const CSiteLayout& layout)
        : m_shape(shape), m_layout(layout), m_random(shape.m_seed)
    {
    }

    std::vector<CLink> LinksOf(int page);
    std::string HtmlOf(int page, const std::vector<CLink>& links);
    std::string FileBytes();

private:
    const CDirectory& Dir(int dir) const { return m_layout.Dir(dir); }
    std::string PageName(int page) const { return m_layout.PageName(page); }
    std::string Relative(int fromDir, int toDir, const std::string& name) const
    {
        return m_layout.Relative(fromDir, toDir, name);
    }
    int RandomPage()
    {
        return static_cast<int>(m_random.Below(static_cast<std::size_t>(m_layout.PageCount())));
    }
    int RandomFile()
    {
        return static_cast<int>(m_random.Below(static_cast<std::size_t>(m_layout.FileCount())));
    }
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
            (pages[0] == 0 && pages.size() > 1 && !m_shape.m_crossLinks) ? 1 : 0;
        return pages[first + m_random.Below(pages.size() - first)];
    }

    const CSiteShape& m_shape;
    const CSiteLayout& m_layout;
    CRandom m_random;
};

std::vector<CLink> CSiteBuilder::LinksOf(int page)
{
    const int dir = m_layout.PageDir(page);
    const CDirectory& here = Dir(dir);
    const auto index = static_cast<std::size_t>(m_layout.PageIndex(page));
    const std::size_t wanted =
        static_cast<std::size_t>(std::max(m_shape.m_linksPerPage, kMinLinksPerPage));
    std::vector<CLink> links;
    const auto pageLink = [&](int target, std::string href) {
        links.push_back({std::move(href), target, -1});
    };
    const auto fileLink = [&](int file, std::string href) {
        links.push_back({std::move(href), -1, file});
    };
    // A page in this directory or below it, written relative, root-relative or as a step up
    // and down again ("../here/...").
    const auto pageBelow = [&](int form)
    {
        const int below = RandomDirBelow(dir);
        const int target = RandomPageIn(below);
        if (form == 1)
            pageLink(target, m_layout.PagePath(target));
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
                 (m_shape.m_awkwardLinks ? "./" : "") + PageName(here.pages[index + 2]));
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
                fileLink(file, m_layout.FileName(file));
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
            const int file = RandomFile();
            fileLink(file, m_layout.FilePath(file));
        });
    if (here.parent >= 0 && !Dir(here.parent).files.empty())
        extras.push_back(
            [&]
            {
                const auto& files = Dir(here.parent).files;
                const int file = files[m_random.Below(files.size())];
                fileLink(file, Relative(dir, here.parent, m_layout.FileName(file)));
            });
    extras.push_back([&] { links.push_back({"mailto:webmaster@example.invalid", -1, -1}); });
    extras.push_back(
        [&]
        {
            const int file = RandomFile();
            fileLink(file, Relative(dir, m_layout.FileDir(file), m_layout.FileName(file)));
        });
    if (m_shape.m_crossLinks)
    {
        // Home, a page of the parent directory and pages anywhere.
        extras.insert(extras.begin(), [&] { pageLink(0, m_layout.PagePath(0)); });
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
                pageLink(target, m_layout.PagePath(target));
            });
    }
    for (std::size_t i = 0; i < extras.size() && links.size() < wanted; ++i)
        extras[i]();

    // The rest: pages here or below, and with cross links anywhere on the site.
    for (int form = 0; links.size() < wanted; form = (form + 1) % 3)
    {
        if (m_shape.m_crossLinks && m_random.Below(2) == 0)
        {
            const int target = RandomPage();
            pageLink(target, Relative(dir, m_layout.PageDir(target), PageName(target)));
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
        else if (i % 7 == 3 && m_shape.m_awkwardLinks)
            html += "<a href='" + link.href + "'>";
        else if (i % 11 == 6 && m_shape.m_quotedValuesOnly)
            html += "<a class=\"item\" href=\"" + link.href + "\">";
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
    html += "</p>\n";
    while (html.size() < m_shape.m_minPageBytes)
    {
        html += "<p class=\"text\">";
        words(100 + m_random.Below(50));
        html += "</p>\n";
    }
    html += "</body>\n</html>\n";
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

bool GenerateSite(const std::string& documentRoot, const CSiteShape& shape, CGeneratedSite& site,
                  std::string& error)
{
    site = CGeneratedSite{};
    if (shape.m_pages < 2)
    {
        error = "a site needs two pages at least";
        return false;
    }
    const CSiteLayout layout(shape.m_pages,
                             std::max(1, shape.m_pages / std::max(1, shape.m_pagesPerFile)));
    CSiteBuilder builder(shape, layout);

    const std::filesystem::path root(documentRoot);
    std::error_code code;
    for (int page = 0; page < shape.m_pages; ++page)
    {
        // Every directory holds a page, its index page first.
        if (layout.PageIndex(page) != 0)
            continue;
        const std::filesystem::path dir = (root / layout.PagePath(page).substr(1)).parent_path();
        std::filesystem::create_directories(dir, code);
        if (code)
        {
            error = "cannot create " + dir.string() + ": " + code.message();
            return false;
        }
    }

    std::vector<std::vector<int>> targets(static_cast<std::size_t>(shape.m_pages));
    std::set<int> linkedFiles;
    for (int page = 0; page < shape.m_pages; ++page)
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
        const std::string path = layout.PagePath(page);
        if (!WriteFile(std::filesystem::path(documentRoot) / path.substr(1), html, error))
            return false;
        site.m_pagePaths.push_back(path);
        site.m_links += links.size();
        site.m_pageBytes += html.size();
    }
    for (int file = 0; file < layout.FileCount(); ++file)
    {
        const std::string bytes = builder.FileBytes();
        const std::string path = layout.FilePath(file);
        if (!WriteFile(std::filesystem::path(documentRoot) / path.substr(1), bytes, error))
            return false;
        site.m_filePaths.push_back(path);
        site.m_fileBytes += bytes.size();
    }

    site.m_startPath = layout.PagePath(0);
    site.m_linkedFiles = linkedFiles.size();
    site.m_reachableBelowStart = CountReachable(targets);
    if (!shape.m_awkwardLinks)
        PredictReads(
            targets,
            [&](int from, int to)
            {
                const std::string& fromDir = layout.Dir(layout.PageDir(from)).path;
                return layout.Dir(layout.PageDir(to)).path.compare(0, fromDir.size(), fromDir) == 0;
            },
            site);
    return true;
}
