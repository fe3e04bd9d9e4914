// Parses a base URL and resolves a link against it; input is "base\nlink".
#include "url/Url.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string_view baseText = input.substr(0, split);
    const std::string_view linkText =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const CUrl base{std::string(baseText)};
    std::string link(linkText);
    if (ResolveLink(base, link))
    {
        const CUrl resolved(link);
        // Resolution prepends at most the base's site root and path, and escapes a byte as
        // three at most.
        if (link.size() > 3 * linkText.size() + base.Host().size() + base.Object().size() + 32)
            std::abort();
        if (resolved.m_pageKind != kPageKindUnparsable &&
            (resolved.Host().size() > kMaxHostLength ||
             resolved.Object().size() > kMaxObjectLength))
            std::abort();
        // The result is one text per resource: resolving it again changes nothing.
        std::string again = link;
        if (!ResolveLink(base, again) || again != link)
            std::abort();
    }
    return 0;
}
