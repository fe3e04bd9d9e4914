#include "crawl/CrawlFixture.h"
#include "crawl/SiteBrowser.h"
#include "download/DownloadWorkers.h"
#include "support/FileBytes.h"
#include "support/HostileServer.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <thread>

namespace
{

using CSet = std::set<std::string>;

// Answers every request alike.
CHostileServer::CHandler Reply(std::string body, std::string headers = "", int status = 200,
                               std::string type = "text/html")
{
    return [=](CHostileExchange& exchange) { return exchange.Answer(status, type, body, headers); };
}
CHostileServer::CHandler Redirect(const std::string& location)
{
    return Reply("", "Location: " + location + "\r\n", 302);
}

// A crawl of pages that one hostile server serves, with a short time-out.
class CHostileLinks : public CCrawlTest
{
protected:
    void SetUp() override
    {
        CCrawlTest::SetUp();
        m_core->m_options.m_connectTimeout = 1;
        m_core->m_options.m_connectRetries = 0;
        m_core->m_options.m_downloadDir = m_dir.File("dl") + "/";
        m_core->PublishOptions();
    }
    // A file within the default size limits.
    void ServeFile(const std::string& path)
    {
        m_server.Handle(path, Reply(std::string(20000, 'z'), "", 200, "application/zip"));
    }
    bool Logged(const std::string& part)
    {
        return ReadFileBytes(m_dir.File("hvstr.log")).find(part) != std::string::npos;
    }
    // The found files, by path where m_server serves them.
    CSet Listed()
    {
        CSet listed;
        for (const std::string& url : ListUrls())
            listed.insert(url.starts_with(m_server.Url("/")) ? url.substr(m_server.Url("").size())
                                                             : url);
        return listed;
    }

    CHostileServer m_server;
};

// Character references in link values are decoded before the links are resolved and fetched.
// Links of other schemes, one naming a listener's port with the bytes to send it: nothing
// reaches the listener, whether lengths are checked when found or files are downloaded at once,
// and only the http links are found files.
TEST_F(CHostileLinks, OnlyDecodedHttpHttpsAndFtpLinksAreFetched)
{
    CHostileServer listener;
    const std::string at = "://127.0.0.1:" + std::to_string(listener.Port());
    for (const char* file : {"/ok.zip", "/report&notes.zip", "/get.zip?a=1&b=2"})
        ServeFile(file);
    m_server.Handle("/to-gopher.zip", Redirect("gopher" + at + "/_x.zip"));
    m_server.Handle(
        "/", Reply("<a href=\"gopher" + at + "/_SET%20owned%20yes%0D%0Ax.zip\"><a href=\"dict" +
                   at + "/d:x.zip\"><a href=\"telnet" + at +
                   "/t.zip\"><a href=\"javascript:alert(document.domain)//b.zip\">"
                   "<a href=\"file:///etc/f.zip\"><a href=\"/to-gopher.zip\"><a href=\"/ok.zip\">"
                   "<a href=\"report&amp;notes.zip\"><a href='get.zip?a=1&#38;b=2'>"));

    m_core->m_options.m_checkLength = kCheckLengthWhenFound;
    m_core->PublishOptions();
    Crawl(m_server.Url("/"), 0);
    EXPECT_EQ(Listed(),
              (CSet{"/ok.zip", "/to-gopher.zip", "/report&notes.zip", "/get.zip?a=1&b=2"}));
    EXPECT_EQ(m_server.Requests("/report&notes.zip"), 1);
    EXPECT_EQ(m_server.Requests("/get.zip?a=1&b=2"), 1);

    ClearViews();
    m_core->m_options.m_autoDownload = true;
    m_core->m_options.m_checkLength = kCheckLengthNever;
    m_core->PublishOptions();
    // The crawl's queued files start workers: nobody handles a message for them.
    EnableDownloadWorkers(*m_core);
    Crawl(m_server.Url("/"), 0);
    ASSERT_TRUE(WaitForDownloadWorkers(*m_core, std::chrono::seconds(30)));
    EXPECT_TRUE(Logged("Downloaded " + m_server.Url("/ok.zip") + " as "));
    EXPECT_EQ(listener.Connections(), 0);
}

// "Find files on Site" stays on its site: another port of the host is another site, a page that
// redirects is read as the address that answered, and a page that redirects to another site is
// a link to that site. A start page that redirects moves the whole site.
TEST_F(CHostileLinks, SiteCrawlStaysOnTheSiteThatAnswers)
{
    CHostileServer other;
    m_server.Handle("/", Reply("<a href=\"" + other.Url("/port.htm") +
                               "\"><a href=\"/moved.htm\"><a href=\"/old/index.htm\">"));
    m_server.Handle("/moved.htm", Redirect(other.Url("/landing.htm")));
    m_server.Handle("/old/index.htm", Redirect("/new/index.htm"));
    m_server.Handle("/new/index.htm", Reply("<a href=\"n.zip\">"));
    m_server.Handle("/start", Redirect(other.Url("/home/")));
    other.Handle("/port.htm", Reply("<a href=\"p.zip\">"));
    other.Handle("/landing.htm", Reply("<a href=\"x.zip\">"));
    other.Handle("/home/", Reply("<a href=h.zip><a href=sub.htm>"));
    other.Handle("/home/sub.htm", Reply("<a href=s.zip>"));

    Crawl(m_server.Url("/"), 1);
    EXPECT_EQ(Listed(), CSet{"/new/n.zip"});
    EXPECT_EQ(other.Requests("/port.htm"), 0);
    const std::vector<std::string> tree = TreeUrls();
    EXPECT_EQ(std::count(tree.begin(), tree.end(), other.Url("/landing.htm")), 1);

    ClearViews();
    Crawl(m_server.Url("/start"), 1);
    EXPECT_EQ(Listed(), (CSet{other.Url("/home/h.zip"), other.Url("/home/s.zip")}));
}

// A server that refuses HEAD but serves GET: the file is listed with its size unknown, and a
// page of the history is read. Only a refused GET is logged.
TEST_F(CHostileLinks, HeadRefusalsLeaveSizeAndDateUnknown)
{
    const auto refuseHead = [](int status, int getStatus, std::string body)
    {
        return [=](CHostileExchange& exchange)
        {
            return exchange.Method() == "HEAD" ? exchange.Answer(status, "text/plain", "no")
                                               : exchange.Answer(getStatus, "text/html", body);
        };
    };
    m_server.Handle("/refused.zip", refuseHead(405, 200, std::string(20000, 'z')));
    m_server.Handle("/gone.zip", refuseHead(405, 404, "missing"));
    m_server.Handle("/hist.htm", refuseHead(501, 200, "<a href=h.zip>"));
    m_server.Handle("/", Reply("<a href=refused.zip><a href=gone.zip><a href=hist.htm>"));
    m_core->m_histories.m_urlHistory.Add(m_server.Url("/hist.htm"), CCalendarTime{2020, 1, 1});

    m_core->m_options.m_checkLength = kCheckLengthWhenFound;
    m_core->PublishOptions();
    auto mode = GetMode(1, m_core->m_options);
    mode->m_onlyIfModified = true;
    Crawl(m_server.Url("/"), std::move(mode));
    EXPECT_TRUE(std::ranges::includes(Listed(), CSet{"/h.zip", "/refused.zip"}));
    EXPECT_TRUE(Logged("Finished browsing " + m_server.Url("/hist.htm")));
    EXPECT_TRUE(Logged("Skipped " + m_server.Url("/gone.zip") + ": HTTP error 404!"));
    EXPECT_FALSE(Logged("HTTP error 405"));
    EXPECT_FALSE(Logged("HTTP error 501"));
}

// Servers that keep a transfer alive with a trickle: header lines or "100 Continue" answers
// end at the headers' time-out, a byte at a time is a stall, and a steady page read ends at its
// time limit with the text that came.
TEST_F(CHostileLinks, DripServersEndWithinTheirDeadlines)
{
    m_core->SetPageReadLimit(std::chrono::seconds(3));
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    const struct
    {
        const char* path;
        std::string head, piece;
        int everyMs;
        bool timesOut; // else the page is read
    } drips[] = {
        {"/lines.htm", ok, "X-Drip: 1\r\n", 300, true},
        {"/continue.htm", "", "HTTP/1.1 100 Continue\r\n\r\n", 300, true},
        {"/bytes.htm", ok + "Content-Length: 100000\r\n\r\n<a href=b.zip>", " ", 300, false},
        {"/steady.htm", ok + "\r\n<a href=s.zip>", std::string(2048, ' '), 250, false},
    };
    for (const auto& drip : drips)
    {
        m_server.Handle(
            drip.path,
            [drip](CHostileExchange& exchange)
            {
                for (int i = 0; exchange.Send(i ? drip.piece : drip.head) && i < 2000; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(drip.everyMs));
                return false;
            });
        const std::string url = m_server.Url(drip.path);
        Crawl(url, 0);
        EXPECT_TRUE(Logged(drip.timesOut
                               ? "File " + url + " connection problem: Timeout was reached: "
                               : "Finished browsing " + url + "\n"))
            << drip.path;
    }
    EXPECT_EQ(Listed(), (CSet{"/b.zip", "/s.zip"}));
}

// A page's text ends at its first zero byte, also when its length is not announced; a page
// acts on at most kMaxLinksPerPage link values and says so in one line.
TEST_F(CHostileLinks, PagesAreBounded)
{
    using namespace std::string_literals;
    m_server.Handle("/nul.htm",
                    [](CHostileExchange& exchange)
                    {
                        exchange.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n<a href=\"ab"s +
                                      std::string(5000, '\0') + "c.zip\"><a href=d.zip>");
                        return false;
                    });
    std::string links;
    for (std::size_t i = 1; i < kMaxLinksPerPage; ++i)
        links += "<a href=a.txt>";
    m_server.Handle("/last.htm", Reply(links + "<a href=last.zip>"));
    m_server.Handle("/over.htm", Reply(links + "<a href=a.txt><a href=over.zip>"));
    for (const char* page : {"/nul.htm", "/last.htm", "/over.htm"})
        Crawl(m_server.Url(page), 0);
    EXPECT_TRUE(Logged("Finished browsing " + m_server.Url("/nul.htm") + "\n"));
    EXPECT_EQ(Listed(), CSet{"/last.zip"});
    EXPECT_FALSE(Logged("Skipped the links of " + m_server.Url("/last.htm")));
    EXPECT_TRUE(
        Logged("Skipped the links of " + m_server.Url("/over.htm") + " after the first 100000\n"));
}

} // namespace
