#pragma once

#include "crawl/CrawlFixture.h"
#include "support/FileBytes.h"
#include "support/HostileSite.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

// A core with in-memory views, pointed at the hostile site, with a connect time-out of one
// second so that every stall ends soon.
class CHostileTest : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        SetTimeout(1);
    }

    void SetTimeout(int seconds)
    {
        m_core->m_options.m_connectTimeout = seconds;
        m_core->m_options.m_connectRetries = 1;
        m_core->PublishOptions();
    }

    std::string Log() { return ReadFileBytes(m_dir.File("hvstr.log")); }
    static bool Holds(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }

    // The log lines that the outcome of reading url as a page must leave.
    void ExpectPageLines(const std::string& log, const std::string& url,
                         const CHostileResource& page)
    {
        EXPECT_TRUE(Holds(log, "Browsing " + url + "\n")) << url;
        const bool finished = Holds(log, "Finished browsing " + url + "\n");
        switch (page.outcome)
        {
        case EHostileOutcome::kRead:
        case EHostileOutcome::kCutShort:
            EXPECT_TRUE(finished) << url;
            break;
        case EHostileOutcome::kHttpError:
            EXPECT_FALSE(finished) << url;
            EXPECT_TRUE(Holds(log, "Skipped " + url + ": HTTP error " +
                                       std::to_string(page.status) + "!\n"))
                << url;
            break;
        case EHostileOutcome::kConnectionProblem:
            EXPECT_FALSE(finished) << url;
            EXPECT_TRUE(Holds(log, "File " + url + " connection problem: ")) << url;
            break;
        }
    }

    // Every record goes once the views let go of what they show.
    void ExpectNothingLeftAfterClearing()
    {
        ClearViews();
        EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);
    }

    // The found-file list as it is now.
    std::set<std::string> Listed()
    {
        const auto list = ListUrls();
        return std::set<std::string>(list.begin(), list.end());
    }

    CHostileSite m_site;
};
