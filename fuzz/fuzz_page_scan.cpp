// The whole scan of one page as a browse thread runs it (white space, base tag, stop set with
// keywords, every link value resolved and made into a record), checked against the plain rules.
// Input: one byte choosing the keywords and the page's URL, then the page text.
#include "../tests/crawl/ReferenceScanner.h"
#include "crawl/LinkScanner.h"
#include "url/Url.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

const std::array<std::vector<std::string>, 4> kKeywordLists{{
    {},
    {"setup", "Driver", "AT&T"},
    {"", "a"},
    {"<a", "\xc3\xa9t\xc3\xa9"},
}};
const std::array<const char*, 2> kPageUrls{"http://h/a/b/index.htm", "https://h:8443/dir/"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::vector<std::string>& keywords = kKeywordLists[data[0] & 3];
    CUrl page(kPageUrls[(data[0] >> 2) & 1]);
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const reference::CPageScan expected = reference::ScanPage(input, keywords);

    std::string text = input;
    int offers = 0;
    std::size_t count = 0;
    const auto checkLink = [&](std::string& value, const CUrl& base)
    {
        // Every value ends at a character of its own, so there are never more values than bytes.
        if (count >= expected.m_values.size() || value != expected.m_values[count] ||
            value.size() > kMaxLinkValueLength || ++count > input.size())
            std::abort();
        std::string link = value;
        if (ResolveLink(base, link))
        {
            const CUrl record(link);
            if (record.m_url != link)
                std::abort();
        }
        return true;
    };
    const CPageScanResult scan =
        ScanPage(text, page, keywords, CScanOutput{checkLink, [&offers] { ++offers; }});
    if (scan.m_hasBase != expected.m_hasBase || scan.m_base != expected.m_base ||
        count != expected.m_values.size() || offers != expected.m_offers || offers > 1 ||
        scan.m_keywordFound != (offers == 1))
        std::abort();
    return 0;
}
