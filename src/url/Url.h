#pragma once

#include "platform/CalendarTime.h"
#include "url/LinkDecision.h"

#include <atomic>
#include <cstdint>
#include <memory>
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
// shares them between threads), so they are not copyable. A crawl keeps a record for every link
// it meets, so a record is small: its parts are offsets into its one text, the referer text is
// shared with the other links of its page, and what only a transfer needs lives out of line.
class CUrl
{
public:
    // A record without text, for a page's base record; nothing is split yet.
    CUrl();
    // A record for the text; parses it at once. Whoever makes it sets the visited mark.
    explicit CUrl(std::string url);
    virtual ~CUrl();

    CUrl(const CUrl&) = delete;
    CUrl& operator=(const CUrl&) = delete;

    // Gives the record a new text and splits it; a file name that the new text does not set
    // stays. Not while other threads use the record. (m_url is only ever set through here.)
    void Reparse(std::string url);

    // Parts of the canonical URL (escaped, dot segments removed); views that stay valid until
    // the next Reparse().
    std::string_view Host() const { return Part(m_host); }
    // Path, query and any fragment.
    std::string_view Object() const { return Part(m_object); }
    // The path up to its last "/": what relative links resolve in and the folder a site's crawl
    // keeps to.
    std::string_view Directory() const { return Object().substr(0, m_directoryLength); }
    // The path's last segment (the query not included); empty when the path ends in "/".
    std::string_view FileName() const;
    std::string_view FileTitle() const { return FileName().substr(0, m_titleLength); }
    std::string_view Extension() const;
    std::string_view UserName() const;
    std::string_view Password() const;

    // The page the link was found on; empty for a record not found on a page.
    std::string_view Referer() const { return m_referer ? *m_referer : std::string_view(); }
    // Links of one page share one referer text. Before the record is shared.
    void SetReferer(std::shared_ptr<const std::string> referer) { m_referer = std::move(referer); }

    // Where the download put the file; empty before. Only the transfer that downloads the record
    // sets and reads it.
    std::string_view LocalFileName() const;
    void SetLocalFileName(std::string path);

    // Appends scheme prefix, host and a non-default port to out.
    void GetSiteRoot(std::string& out) const;
    // Appends the site root and the directory to out.
    void GetBaseDirectory(std::string& out) const;
    // The scheme prefix that GetBaseDirectory writes ("http://", "https://", "ftp://" or "").
    std::string_view SchemePrefix() const;
    bool HasDefaultPort() const;

    static void StripFragment(std::string& text);
    // Splits a last path segment into title and extension (the 1 to 10 letters or digits after
    // its last dot, when that is not its first character); false, with the whole segment as
    // title, when it has none.
    static bool SplitFileName(std::string_view segment, std::string& title, std::string& extension);

    bool IsVisited() const { return m_visited.load(std::memory_order_relaxed); }
    void SetVisited() { m_visited.store(true, std::memory_order_relaxed); }

    std::string m_url;
    // Bytes, up to 2^63 - 1. Beside the other 8-byte fields, and the small ones packed after
    // it, so that the 64-bit size costs no padding.
    std::atomic<std::uint64_t> m_size{0};
    std::uint32_t m_serviceType = kServiceUnknown;
    std::atomic<std::int32_t> m_sizeState{kSizeNotAsked};
    std::uint16_t m_port = 0;
    std::int32_t m_pageKind = kPageKindUnparsable;
    bool m_parsed = false;
    std::atomic<bool> m_visited{false};
    std::atomic<bool> m_usable{true};
    // What the crawl decided on the link, and why.
    CLinkDecision m_decision;

private:
    // A part of the text: in m_url, or in the out-of-line canonical text when canonicalising
    // changed it.
    struct CSlice
    {
        std::uint16_t position = 0;
        std::uint16_t length = 0;
    };
    struct CRare;

    // Splits m_url; keeps fileName as the file name when the text sets none.
    void Parse(std::string fileName);
    std::string_view Part(CSlice slice) const;
    CRare& Rare();

    CSlice m_host;
    CSlice m_object;
    std::uint16_t m_directoryLength = 0;
    // The file name follows the directory; the extension ends it.
    std::uint16_t m_fileNameLength = 0;
    std::uint16_t m_titleLength = 0;
    std::uint16_t m_extensionLength = 0;
    bool m_partsInRare = false;
    std::shared_ptr<const std::string> m_referer;
    // Credentials, a canonical text unlike the given one, the local file name: rarely set, made
    // on first use.
    std::atomic<CRare*> m_rare{nullptr};
};

// Turns a link value found on a page into an absolute URL text against base (RFC 3986), in the
// form NormalizeUrl writes for http, https and ftp; other schemes stay as written. The fragment
// goes. False when nothing but a fragment is left (the link names the page itself), and for a
// relative link when base is no http, https or ftp address with a host.
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
