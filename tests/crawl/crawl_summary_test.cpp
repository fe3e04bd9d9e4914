#include "crawl/CrawlSummary.h"

#include <gtest/gtest.h>

// The line that ends a crawl in the status bar, and its hint when pages held no wanted file.
TEST(CrawlSummary, CountsAndHint)
{
    struct CCase
    {
        std::uint32_t pages, files;
        bool cancelled;
        const char* types;
        const char* expected;
    };
    const CCase cases[] = {
        {201, 9, false, "zip", "Finished http://a/: 201 pages, 9 files"},
        {1, 1, false, "zip", "Finished http://a/: 1 page, 1 file"},
        {0, 0, false, "zip", "Finished http://a/: 0 pages, 0 files"},
        {3, 2, true, "zip", "Stopped http://a/: 3 pages, 2 files"},
        // A stopped crawl did not search everything.
        {3, 0, true, "zip", "Stopped http://a/: 3 pages, 0 files"},
        {12, 0, false, "zip;;exe;",
         "Finished http://a/: 12 pages, 0 files (none of the types searched: zip, exe; see "
         "Options, File Types)"},
        {12, 0, false, "",
         "Finished http://a/: 12 pages, 0 files (no file types are set: add some under "
         "Options, File Types)"},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(CrawlSummary("http://a/", c.pages, c.files, c.cancelled, c.types), c.expected);
}
