#pragma once

#include "platform/CalendarTime.h"
#include "platform/SinkTargets.h"
#include "url/LinkDecision.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

// Scheme codes of a parsed URL.
inline constexpr std::uint32_t kServiceFtp = 1;
inline constexpr std::uint32_t kServiceGopher = 2;
inline constexpr std::uint32_t kServiceHttp = 3;
inline constexpr std::uint32_t kServiceUnknown = 0x1000;
inline constexpr std::uint32_t kServiceFile = 0x1001;
inline constexpr std::uint32_t kServiceMailto = 0x1002;
inline constexpr std::uint32_t kServiceNews = 0x1006;
inline constexpr std::uint32_t kServiceHttps = 0x100B;

// What the crawl may do with a URL.
inline constexpr std::int32_t kPageKindFile = 0;
inline constexpr std::int32_t kPageKindPage = 1;
inline constexpr std::int32_t kPageKindUnparsable = 2;

// Size state of a record's transfer fields.
inline constexpr std::int32_t kSizeKnown = 0;
inline constexpr std::int32_t kSizeNotAsked = 1;
inline constexpr std::int32_t kSizeNotGiven = 2;

// Longest parts that a URL may have; a longer one makes the URL unparsable.
inline constexpr std::size_t kMaxHostLength = 255;
inline constexpr std::size_t kMaxObjectLength = 2047;
inline constexpr std::size_t kMaxUserNameLength = 127;
inline constexpr std::size_t kMaxPasswordLength = 127;

// One URL: the text exactly as it was given, the parts it splits into, and the state that the
// site tree, the file list and the transfers keep on it. Records are identities (the URL store
// shares them between threads), so they are not copyable.
class CUrl
{
public:
    // A record without text, for a page's base record; Parse() has not run.
    CUrl();
    // A record for the text; parses it at once. Whoever makes it sets the visited mark.
    explicit CUrl(std::string url);
    virtual ~CUrl();

    CUrl(const CUrl&) = delete;
    CUrl& operator=(const CUrl&) = delete;

    // (Re)splits m_url. Always true.
    bool Parse();

    // Appends scheme prefix, host, a non-default port and the directory to out.
    void GetBaseDirectory(std::string& out) const;
    // The scheme prefix that GetBaseDirectory writes ("http://", "https://", "ftp://" or "").
    std::string_view SchemePrefix() const;
    bool HasDefaultPort() const;

    static void ParentDirectory(std::string& text);
    static void StripFragment(std::string& text);
    // Splits a file part into title and extension; false when the extension is too long.
    static bool SplitFileName(std::string_view filePart, std::string& title,
                              std::string& extension);

    bool IsVisited() const { return m_visited.load(std::memory_order_relaxed); }
    void SetVisited() { m_visited.store(true, std::memory_order_relaxed); }

    // Fields, in the record's declaration order.
    std::atomic<bool> m_visited{false};
    std::string m_localFileName;
    std::uint16_t m_port = 0;
    std::string m_object;
    bool m_parsed = false;
    std::atomic<std::int32_t> m_sizeState{kSizeNotAsked};
    std::string m_extension;
    std::string m_fileTitle;
    std::string m_directory;
    std::int32_t m_pageKind = kPageKindUnparsable;
    std::string m_host;
    std::string m_url;
    std::string m_fileName;
    std::uint32_t m_serviceType = kServiceUnknown;
    std::atomic<std::uint32_t> m_size{0};
    std::string m_userName;
    std::string m_password;
    std::string m_referer;
    std::atomic<CTreeNodeId> m_parentItem{kNoTreeNode};
    std::atomic<CTreeNodeId> m_treeItem{kNoTreeNode};
    std::atomic<bool> m_usable{true};
    // What the crawl decided on the link, and why.
    CLinkDecision m_decision;
};

// Turns a link value found on a page into an absolute URL text against base. False when
// nothing is left of the link.
bool ResolveLink(const CUrl& base, std::string& link);

// Position of the first occurrence of word in text, folding A to Z; npos when absent or when
// text is empty.
std::size_t FindNoCase(std::string_view text, std::string_view word);

// The default port of a scheme code, 0 when the scheme has none.
std::uint16_t DefaultPortOf(std::uint32_t serviceType);

// True for http, https and ftp: the only schemes the program transfers, lists as files, exports
// as links or hands to the desktop. Any other scheme in a page's link is the page's to abuse.
bool IsTransferService(std::uint32_t serviceType);
// The same test on the scheme of a URL text ("scheme://", any letter case).
bool HasTransferScheme(std::string_view url);

// A site address as the user gave it, with "http://" in front when it has no "://": a host with
// a port ("localhost:8080/x") names no scheme either.
std::string WithDefaultScheme(std::string site);

// True when both records name one site: the same scheme, host (any letter case) and port. A
// second port on a host is another server, often another program.
bool IsSameSite(const CUrl& a, const CUrl& b);
