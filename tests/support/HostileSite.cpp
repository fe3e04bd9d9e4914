#include "HostileSite.h"

#include <random>

namespace
{

constexpr std::size_t kHugePage = 5 * 1024 * 1024;
constexpr int kManyLinks = 5000; // page links and as many file links

using CExchange = CHostileExchange;

std::string Head(int status, std::size_t contentLength, const char* type = "text/html")
{
    return "HTTP/1.1 " + std::to_string(status) + " OK\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(contentLength) + "\r\n\r\n";
}

std::string Link(const std::string& href)
{
    return "<a href=\"" + href + "\">x</a>\n";
}

std::string RandomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string Repeat(const std::string& piece, std::size_t totalBytes)
{
    std::string text;
    text.reserve(totalBytes + piece.size());
    while (text.size() < totalBytes)
        text += piece;
    return text;
}

// Serves the same fixed bytes on every request.
CHostileServer::CHandler Fixed(int status, std::string body, const char* type = "text/html")
{
    return [status, body = std::move(body), type](CExchange& exchange)
    { return exchange.Answer(status, type, body); };
}

// Announces declared bytes, sends body and then stalls (stall) or drops the connection.
CHostileServer::CHandler BrokenBody(std::size_t declared, std::string body, bool stall,
                                    const char* type)
{
    return [declared, body = std::move(body), stall, type](CExchange& exchange)
    {
        if (exchange.Send(Head(200, declared, type) + body) && stall)
            exchange.Stall();
        return false;
    };
}

CHostileServer::CHandler StallBeforeHeaders()
{
    return [](CExchange& exchange)
    {
        exchange.Stall();
        return false;
    };
}

CHostileServer::CHandler Drop()
{
    return [](CExchange&) { return false; };
}

CHostileServer::CHandler RedirectTo(std::string location)
{
    return [location = std::move(location)](CExchange& exchange)
    { return exchange.Answer(302, "text/html", "moved", "Location: " + location + "\r\n"); };
}

CHostileServer::CHandler LoginForever()
{
    return [](CExchange& exchange)
    {
        return exchange.Answer(401, "text/html", "who are you?",
                               "WWW-Authenticate: Basic realm=\"hostile\"\r\n");
    };
}

CHostileServer::CHandler NotHttp()
{
    return [](CExchange& exchange)
    {
        exchange.Send(std::string("SURPRISE\r\n\r\n\x01\x02\x03", 15));
        return false;
    };
}

CHostileServer::CHandler GiantHeader()
{
    return [](CExchange& exchange)
    {
        exchange.Send("HTTP/1.1 200 OK\r\nX-Filler: " + std::string(400 * 1024, 'h') +
                      "\r\nContent-Length: 2\r\n\r\nok");
        return false;
    };
}

} // namespace

CHostileSite::CHostileSite() : m_closedPort(CHostileServer::ClosedPort())
{
    ServePages();
    ServeFiles();
    ServeStartPage();
}

std::string CHostileSite::UrlOf(const CHostileResource& resource) const
{
    return resource.path.front() == '/' ? Url(resource.path) : resource.path;
}

void CHostileSite::ServePages()
{
    using E = EHostileOutcome;
    const auto page =
        [this](const std::string& path, E outcome, CHostileServer::CHandler handler, int status = 0)
    {
        m_pages.push_back(CHostileResource{path, outcome, status, 0});
        m_server.Handle(path, std::move(handler));
    };
    const auto linked = [this](const std::string& path) { m_linkedFiles.push_back(Url(path)); };
    const auto never = [this](const std::string& path) { m_neverFound.push_back(Url(path)); };

    page("/stall-head.htm", E::kConnectionProblem, StallBeforeHeaders());
    {
        std::string body = Link("from-stalled.zip");
        body.resize(2000, ' ');
        page("/stall-body.htm", E::kCutShort, BrokenBody(100000, body, true, "text/html"));
        linked("/from-stalled.zip");
    }
    page("/drop.htm", E::kConnectionProblem, Drop());
    page("/long-length.htm", E::kCutShort,
         BrokenBody(10000, Link("from-long.zip"), false, "text/html"));
    linked("/from-long.zip");
    {
        const std::string kept = Link("short-ok.zip");
        const std::string beyond = Link("short-cut.zip");
        page("/short-length.htm", E::kRead,
             [kept, beyond](CExchange& exchange)
             {
                 exchange.Send(Head(200, kept.size()) + kept + beyond);
                 return false;
             });
        linked("/short-ok.zip");
        never("/short-cut.zip");
    }
    page("/loop-a.htm", E::kConnectionProblem, RedirectTo("/loop-b.htm"));
    m_server.Handle("/loop-b.htm", RedirectTo("/loop-a.htm"));
    // A redirect may not lead out of the web.
    page("/to-file.htm", E::kConnectionProblem, RedirectTo("file:///etc/passwd"));
    // A length beyond any number: the body runs to the connection's end.
    page("/bad-length.htm", E::kRead,
         [](CExchange& exchange)
         {
             exchange.Send("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n"
                           "<a href=\"bad-length.zip\">x</a>");
             return false;
         });
    linked("/bad-length.zip");
    page("/auth.htm", E::kHttpError, LoginForever(), 401);
    page("/gone.htm", E::kHttpError, Fixed(404, "gone"), 404);
    page("/not-http.htm", E::kConnectionProblem, NotHttp());
    page("/giant-header.htm", E::kConnectionProblem, GiantHeader());

    // One tag that never ends, holding no "<".
    page("/huge-tag.htm", E::kRead,
         Fixed(200, Link("before-tag.zip") + "<a href=\"" + std::string(kHugePage, 'x')));
    linked("/before-tag.zip");
    // One tag that never ends, holding a million "<" of tags that match no link ...
    page("/open-tags.htm", E::kRead,
         Fixed(200, Link("before-open.zip") + "<a title=\"" + Repeat("<b c <a d ", kHugePage)));
    linked("/before-open.zip");
    // ... and a million that do.
    page("/open-links.htm", E::kRead,
         Fixed(200, Link("before-links.zip") + Repeat("<a href=open.zip ", kHugePage)));
    linked("/before-links.zip");
    linked("/open.zip");

    page("/binary.htm", E::kRead, Fixed(200, RandomBytes(256 * 1024, 7)));
    page("/nul.htm", E::kRead,
         Fixed(200, Link("before-nul.zip") + std::string(1, '\0') + Link("after-nul.zip")));
    linked("/before-nul.zip");
    never("/after-nul.zip");

    {
        std::string body;
        for (int i = 0; i < kManyLinks; ++i)
        {
            body += Link("p/" + std::to_string(i) + ".htm");
            body += Link("f/" + std::to_string(i) + ".zip");
            linked("/f/" + std::to_string(i) + ".zip");
        }
        page("/many-links.htm", E::kRead, Fixed(200, body));
    }
    {
        const std::string tooLong = "/" + std::string(4995, 'l') + ".zip";
        const std::string longest = "/" + std::string(1017, 'k') + ".zip"; // the longest kept
        page("/long-links.htm", E::kRead,
             Fixed(200, Link(tooLong) + "<img src=\"" + tooLong + "\">" + Link(longest) +
                            "<base href=\"http://127.0.0.1/" + std::string(5000, 'b') + "/\">"));
        never(tooLong);
        linked(longest);
    }
    {
        std::string up;
        for (int i = 0; i < 300; ++i)
            up += "../";
        page("/dots.htm", E::kRead,
             Fixed(200, Link(up + "dots.zip") + Link("a/b/c/" + up + "up/dots2.zip") +
                            Link("./././" + up + "./deep.htm")));
        linked("/dots.zip");
        linked("/up/dots2.zip");
    }
    {
        const std::string closed = "127.0.0.1:" + std::to_string(m_closedPort);
        std::string body;
        const std::vector<std::string> hrefs = {
            "ftp://" + closed + "/pub/ftp.zip",
            "ftp://user:pw@" + closed + "/ftp2.exe",
            "gopher://" + closed + "/1/gopher.zip",
            "file:///nonexistent-harvestor/file.zip",
            std::string("mailto:someone@example.invalid?subject=x.zip"),
            std::string("javascript:alert('x.zip')"),
            std::string("data:text/html;base64,PGEgaHJlZj0ieC56aXAiPg=="),
            std::string("news:comp.lang.zip"),
            std::string("telnet://") + closed + "/",
            "https://" + closed + "/secure.htm",
            "http://" + closed + "/plain.htm",
            std::string("http://"),
            std::string("http:///nohost.htm"),
            std::string("http://[::1"),
            std::string("http://127.0.0.1:99999/big-port.htm"),
            std::string("http://user@:80/"),
            std::string("//"),
            std::string(":"),
            std::string("about:blank"),
            std::string("\x01\x02:\x03")};
        for (const std::string& href : hrefs)
            body += Link(href);
        page("/schemes.htm", E::kRead, Fixed(200, body));
        m_linkedFiles.push_back("ftp://" + closed + "/pub/ftp.zip");
        m_linkedFiles.push_back("ftp://user:pw@" + closed + "/ftp2.exe");
        // A page must not make the program copy local files or talk other protocols.
        m_neverFound.push_back("file:///nonexistent-harvestor/file.zip");
        m_neverFound.push_back("gopher://" + closed + "/1/gopher.zip");
    }
    page("/percent.htm", E::kRead,
         Fixed(200, Link("%") + Link("%zz.htm") + Link("a%2") + Link("%00.zip") + Link("%%%.htm") +
                        Link("caf%E9.htm") + Link("%2e%2e/%2e%2e/pct.htm") + Link("%u0041.htm") +
                        Link("100%.zip") + Link("%C3%A9t%C3%A9.zip") + Link("bad%G1name.exe")));
}

void CHostileSite::ServeFiles()
{
    using E = EHostileOutcome;
    const auto file = [this](const std::string& path, E outcome, std::size_t bytes,
                             CHostileServer::CHandler handler, int status = 0)
    {
        m_files.push_back(CHostileResource{path, outcome, status, bytes});
        if (handler)
            m_server.Handle(path, std::move(handler));
    };
    const char* zip = "application/zip";

    file("/ok.zip", E::kRead, 3000, Fixed(200, std::string(3000, 'k'), zip));
    file("/binary.zip", E::kRead, 100000, Fixed(200, RandomBytes(100000, 11), zip));
    // Announces fewer bytes than it sends: the download holds what was announced.
    file("/short-length.zip", E::kRead, 1000,
         [](CExchange& exchange)
         {
             exchange.Send(Head(200, 1000, "application/zip") + std::string(3000, 's'));
             return false;
         });
    file("/long-length.zip", E::kCutShort, 0,
         BrokenBody(50000, std::string(1000, 'l'), false, zip));
    file("/stall-body.zip", E::kCutShort, 0, BrokenBody(100000, std::string(8000, 'b'), true, zip));
    file("/stall-head.zip", E::kConnectionProblem, 0, StallBeforeHeaders());
    file("/drop.zip", E::kConnectionProblem, 0, Drop());
    file("/loop-a.zip", E::kConnectionProblem, 0, RedirectTo("/loop-b.zip"));
    m_server.Handle("/loop-b.zip", RedirectTo("/loop-a.zip"));
    file("/auth.zip", E::kHttpError, 0, LoginForever(), 401);
    file("/missing.zip", E::kHttpError, 0, nullptr, 404);
    file("/not-http.zip", E::kConnectionProblem, 0, NotHttp());

    const std::string closed = "127.0.0.1:" + std::to_string(m_closedPort);
    file("ftp://" + closed + "/pub/closed.zip", E::kConnectionProblem, 0, nullptr);
    file("gopher://" + closed + "/9/closed.zip", E::kConnectionProblem, 0, nullptr);
}

void CHostileSite::ServeStartPage()
{
    std::string body = "<html><head><title>hostile</title></head><body>\n";
    for (const CHostileResource& page : m_pages)
        body += Link(page.path);
    for (const CHostileResource& file : m_files)
        body += Link(UrlOf(file));
    const std::string closed = "localhost:" + std::to_string(m_closedPort);
    m_externalSites = {"http://" + closed + "/plain.htm", "https://" + closed + "/secure.htm"};
    for (const std::string& site : m_externalSites)
        body += Link(site);
    body += "</body></html>\n";
    m_server.Handle("/", Fixed(200, body));
}
