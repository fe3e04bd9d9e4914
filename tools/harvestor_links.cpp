// harvestor-links PAGE_FILE BASE_URL [KEYWORD...]
//
// Lists the link values that a browse thread finds in a saved HTML page, each resolved against
// BASE_URL or the page's base tag, with the page kind of the result: one line per value, in
// page order, duplicates included. A first line "keyword" says that the page holds one of the
// keywords and would be listed as a found file. A debugging aid: "why was this link not found?"

#include "crawl/LinkScanner.h"
#include "url/Url.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* to)
{
    std::fputs("usage: harvestor-links PAGE_FILE BASE_URL [KEYWORD...]\n"
               "Lists the links that the crawler finds in an HTML file, one per line: the\n"
               "resolved URL, a tab and its page kind (1 page, 0 file, 2 unparsable), or the raw\n"
               "value, a tab and \"unresolved\". A first line \"keyword\" means that the page\n"
               "holds one of the keywords and would be listed as a found file.\n",
               to);
}

// False with errno set when the file cannot be opened or read (a directory, for one).
bool ReadWholeFile(const char* path, std::string& bytes)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    char block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.append(block, got);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    errno = error;
    return !failed;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)
    {
        PrintUsage(stdout);
        return 0;
    }

    std::string text;
    if (!ReadWholeFile(argv[1], text))
    {
        std::fprintf(stderr, "harvestor-links: cannot read %s: %s\n", argv[1],
                     std::strerror(errno));
        return kExitUsage;
    }

    const std::vector<std::string> keywords(argv + 3, argv + argc);
    CUrl page(argv[2]);
    // The keyword line comes first although the keyword may be met after some links.
    std::string lines;
    const auto listLink = [&lines](std::string& value, const CUrl& base)
    {
        std::string link = value;
        if (ResolveLink(base, link))
        {
            const CUrl record(link);
            lines += link;
            lines += '\t';
            lines += std::to_string(record.m_pageKind);
        }
        else
        {
            lines += value;
            lines += "\tunresolved";
        }
        lines += '\n';
        return true;
    };
    if (ScanPage(text, page, keywords, CScanOutput{listLink, nullptr}).m_keywordFound)
        std::fputs("keyword\n", stdout);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    return 0;
}
