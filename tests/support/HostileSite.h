#pragma once

#include "HostileServer.h"

#include <cstddef>
#include <string>
#include <vector>

// What a client should end with for one resource of the hostile site.
enum class EHostileOutcome
{
    kRead,              // read to its end
    kCutShort,          // the answer began but broke off: a page is read as far as it came, a
                        // download fails without a log line of its own
    kHttpError,         // refused with an HTTP status of 300 or more
    kConnectionProblem, // no usable answer at all
};

struct CHostileResource
{
    std::string path; // on the hostile server, or a whole URL for other schemes
    EHostileOutcome outcome;
    int status = 0; // for kHttpError
    // Files: the bytes a complete download holds (0 for a download that must fail).
    std::size_t bytes = 0;
};

// A web site on 127.0.0.1 built to break crawlers. Its start page "/" links every hostile page
// and every hostile file below; each page is hostile in one way: it stalls before its headers or
// in its body, drops the connection, announces more or fewer bytes than it sends, redirects in a
// loop, asks for a login forever, holds 5 MB of one unterminated tag or of a million unclosed
// ones, binary garbage, NUL bytes, 10 000 links, links of 5 000 characters, deep "../" chains,
// links of every scheme (also to closed ports) and malformed percent-escapes.
class CHostileSite
{
public:
    CHostileSite();

    std::string Url(const std::string& path) const { return m_server.Url(path); }
    // A resource's URL: the server's for a path, the text itself for a whole URL.
    std::string UrlOf(const CHostileResource& resource) const;
    CHostileServer& Server() { return m_server; }

    // The pages that the start page links, with what reading each one gives.
    const std::vector<CHostileResource>& Pages() const { return m_pages; }
    // The files the start page links, and files of other schemes, with what downloading each
    // one gives.
    const std::vector<CHostileResource>& Files() const { return m_files; }
    // Wanted files that the pages link (as found: before a NUL byte, within a short body, ...).
    // A crawl that reads every page lists each of them.
    const std::vector<std::string>& FilesLinkedFromPages() const { return m_linkedFiles; }
    // Files that the pages seem to link but a sound scanner never finds.
    const std::vector<std::string>& FilesNeverFound() const { return m_neverFound; }
    // Other sites that the start page links, on a closed port of another host name: no
    // connection can be made to them.
    const std::vector<std::string>& ExternalSites() const { return m_externalSites; }
    // Where a closed port lies (the links to other schemes use it).
    int ClosedPort() const { return m_closedPort; }

private:
    void ServePages();
    void ServeFiles();
    void ServeStartPage();

    CHostileServer m_server;
    int m_closedPort;
    std::vector<CHostileResource> m_pages;
    std::vector<CHostileResource> m_files;
    std::vector<std::string> m_linkedFiles;
    std::vector<std::string> m_neverFound;
    std::vector<std::string> m_externalSites;
};
