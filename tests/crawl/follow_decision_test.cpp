#include "crawl/FollowDecision.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "url/Url.h"
#include "url/WhyText.h"

#include <gtest/gtest.h>

namespace
{

// Every rule decides a link found on http://h/a/b/index.htm in the mode "Test mode"; a row may
// change the mode or the options first.
using CChange = void (*)(CModeData&, COptions&);

struct CRow
{
    const char* link;
    CVerdict verdict;
    CReason reason;
    // ValueText of the decision: the entry, limit or size that explains it.
    const char* value = "";
    CFollowCounts counts = {0, 0, 1};
    // The size that a size query found; below 0 when none was asked.
    std::int64_t size = -1;
    CChange change = nullptr;
};

// The decision that the record keeps, stepping through the rules as the browse thread does.
CDecision Decide(const CRow& row)
{
    CModeData mode;
    mode.m_name = "Test mode";
    mode.m_localFollowMax = 2;
    mode.m_autoFollowExternal = true;
    mode.m_externalFollowMax = 1;
    mode.m_maxDepth = 2;
    COptions options("/nonexistent");
    options.SetDefaults();
    options.m_fileTypes = "EXE;;ZIP;MPEG";
    options.m_excludes = "banner;ads";
    options.m_minSizeK = 10;
    options.m_maxSizeK = 100;
    if (row.change != nullptr)
        row.change(mode, options);
    const CFollowRules rules(mode, options,
                             [](const std::string& url) { return url == "http://h/a/b/old.zip"; });

    const CUrl page("http://h/a/b/index.htm");
    CUrl link(row.link);
    if (row.size >= 0)
    {
        link.m_size = static_cast<std::uint64_t>(row.size);
        link.m_sizeState = kSizeKnown;
    }
    const CDecision asFile = rules.DecideFileSize(link, rules.DecideAsFile(link));
    return KeptDecision(link, rules.DecideAsPage(link, page, row.counts), asFile);
}

TEST(FollowDecision, EveryRuleWithItsValue)
{
    using V = CVerdict;
    using R = CReason;
    const CChange parentsOn = [](CModeData& mode, COptions&) { mode.m_followParentSites = true; };
    const CChange externalOff = [](CModeData& mode, COptions&)
    { mode.m_autoFollowExternal = false; };
    const CChange download = [](CModeData&, COptions& options) { options.m_autoDownload = true; };
    const CChange pageTypes = [](CModeData&, COptions& options) { options.m_fileTypes = "HTM"; };
    const CRow rows[] = {
        // As pages.
        {"http://h/a/b/c/next.htm", V::Followed, R::None},
        {"http://h/a/b/readme", V::Followed, R::None},
        {"https://h/a/b/s.htm", V::Followed, R::None},
        {"http://h/ADS/", V::NotFollowed, R::Excluded, "ads"},
        {"mailto:me@h", V::NotFollowed, R::Scheme},
        {"ftp://h/pub/", V::NotFollowed, R::Scheme},
        {"h/x.zip", V::NotFollowed, R::Unparsable},
        {"http://h/a/up.htm", V::Shown, R::ParentDirectory, "Test mode"},
        {"http://h/a/up.htm", V::Followed, R::None, "", {}, -1, parentsOn},
        {"http://h/a/b/p.htm", V::Followed, R::None, "", {1, 0, 1}},
        {"http://h/a/b/p.htm", V::Shown, R::LocalMaximum, "2", {2, 0, 1}},
        {"http://x/p.htm", V::Followed, R::None},
        {"http://x/p.htm", V::Shown, R::ExternalOff, "Test mode", {}, -1, externalOff},
        {"http://x/p.htm", V::Shown, R::Depth, "2", {0, 0, 2}},
        {"http://x/p.htm", V::Shown, R::ExternalMaximum, "1", {0, 1, 1}},
        // As files.
        {"http://h/setup.exe", V::Listed, R::FileType, "EXE"},
        {"http://h/setup.EXE", V::Listed, R::FileType, "EXE"},
        {"http://h/setup.ex", V::Listed, R::FileType, "EXE"},
        {"http://h/clip.mpe", V::Listed, R::FileType, "MPEG"},
        {"ftp://h/pub/f.zip", V::Listed, R::FileType, "ZIP"},
        {"http://h/f.zip", V::Listed, R::Downloading, "ZIP", {}, -1, download},
        {"http://h/setup.exe2", V::NotListed, R::NotInFileTypes, "EXE;;ZIP;MPEG"},
        {"http://h/a.jpg", V::NotListed, R::NotInFileTypes, "EXE;;ZIP;MPEG"},
        {"http://h/Banners/x.zip", V::NotListed, R::Excluded, "banner"},
        {"file:///home/me/f.zip", V::NotListed, R::Scheme},
        // A wanted file is listed even when it is a page that is followed.
        {"http://h/a/b/c/next.htm", V::Listed, R::FileType, "HTM", {}, -1, pageTypes},
        // Sizes at both sides of each limit; the history is asked last.
        {"http://h/f.zip", V::NotListed, R::TooSmall, "10239 bytes, limit 10 KB", {}, 10239},
        {"http://h/f.zip", V::Listed, R::FileType, "ZIP", {}, 10240},
        {"http://h/f.zip", V::Listed, R::FileType, "ZIP", {}, 103423},
        {"http://h/f.zip", V::NotListed, R::TooLarge, "103424 bytes, limit 100 KB", {}, 103424},
        {"http://h/a/b/old.zip", V::NotListed, R::InFileHistory},
        {"http://h/a/b/old.zip", V::NotListed, R::TooSmall, "0 bytes, limit 10 KB", {}, 0},
    };
    for (const CRow& row : rows)
    {
        const CDecision decision = Decide(row);
        EXPECT_EQ(decision.verdict, row.verdict) << row.link;
        EXPECT_EQ(decision.reason, row.reason) << row.link;
        EXPECT_EQ(ValueText(decision), row.value) << row.link;
    }
}

TEST(FollowDecision, SizeIsAskedOnlyOfWantedFilesWhenFound)
{
    COptions options("/nonexistent");
    options.m_fileTypes = "ZIP";
    options.m_checkLength = kCheckLengthWhenFound;
    const CModeData mode;
    const CFollowRules rules(mode, options, {});
    const auto asks = [&](const CUrl& link)
    { return rules.AsksSize(link, rules.DecideAsFile(link)); };
    CUrl wanted("http://h/f.zip");
    EXPECT_TRUE(asks(wanted));
    EXPECT_FALSE(asks(CUrl("http://h/f.exe")));
    options.m_checkLength = kCheckLengthWhenDownloaded;
    EXPECT_FALSE(asks(wanted));
    options.m_checkLength = kCheckLengthWhenFound;
    wanted.m_sizeState = kSizeNotGiven;
    EXPECT_FALSE(asks(wanted)) << "asked before";
}

} // namespace
