#pragma once

// The character-level link scanner: finds, one after another, the href and src values of
// anchor, image, frame and area tags in a page's text, the page's base URL, and whether the page
// holds one of the user's keywords. It is deliberately not an HTML parser.

#include <cstddef>
#include <functional>
#include <span>
#include <string>

class CUrl;

// A value is copied into a buffer of this many bytes with its terminator. A longer value is
// skipped rather than cut: a cut link names a different, usually wrong, resource, and the
// values that long in practice are inline data, not links worth following.
inline constexpr std::size_t kLinkValueBufferSize = 1024;
inline constexpr std::size_t kMaxLinkValueLength = kLinkValueBufferSize - 1;

// What the scan of a page hands out, on the scanning thread.
struct CScanOutput
{
    // Each link value in page order, its character references decoded, with the record it
    // resolves against: the page's base tag (resolved against the page) when it has one, else
    // the page. False ends the scan.
    std::function<bool(std::string& value, const CUrl& base)> onLink;
    // The page holds one of the keywords: runs once, when the scan meets the first of them.
    std::function<void()> onKeywordHit;
};

// What the scan learnt of a page besides its links.
struct CPageScanResult
{
    bool m_hasBase = false; // a base tag whose value fits
    std::string m_base;     // that value, its references decoded
    bool m_keywordFound = false;
};

// Scans one page. The text's first NUL ends the page; its white space is collapsed in place
// (every run becomes one blank, control characters go). page is the record that links resolve
// against when the page has no base tag.
CPageScanResult ScanPage(std::string& text, const CUrl& page, std::span<const std::string> keywords,
                         const CScanOutput& output);
