#include "crawl/CrawlSummary.h"

#include "crawl/FollowDecision.h"

namespace
{

std::string Counted(std::uint32_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::string CrawlSummary(const std::string& site, std::uint32_t pages, std::uint32_t files,
                         bool cancelled, const std::string& fileTypes)
{
    std::string text = (cancelled ? "Stopped " : "Finished ") + site + ": " +
                       Counted(pages, "page", "pages") + ", " + Counted(files, "file", "files");
    // A stopped crawl did not search everything: nothing to say about the types.
    if (pages == 0 || files != 0 || cancelled)
        return text;
    std::string types;
    ForEachListEntry(fileTypes,
                     [&types](std::string_view type)
                     {
                         if (!types.empty())
                             types += ", ";
                         types += type;
                         return false;
                     });
    if (types.empty())
        return text + " (no file types are set: add some under Options, File Types)";
    return text + " (none of the types searched: " + types + "; see Options, File Types)";
}

std::string UnreadStartSummary(const std::string& site, const std::string& problem)
{
    return "Could not read " + site + ": " + problem;
}
