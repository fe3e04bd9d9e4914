#include "crawl/CrawlFixture.h"
#include "crawl/SiteBrowser.h"
#include "download/DownloadWorkers.h"
#include "support/FileBytes.h"
#include "support/HostileServer.h"

#include <chrono>
#include <set>
#include <string>
#include <thread>

namespace
{

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

    void ServePage(const std::string& path, const std::string& html)
    {
        m_server.Handle(path, [html](CHostileExchange& exchange)
                        { return exchange.Answer(200, "text/html", html); });
    }
    // Within the default size limits.
    void ServeFile(const std::string& path)
    {
        m_server.Handle(path,
                        [](CHostileExchange& exchange) {
                            return exchange.Answer(200, "application/zip", std::string(20000, 'z'));
                        });
    }

    std::string Log() { return ReadFileBytes(m_dir.File("hvstr.log")); }
    static bool Holds(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }
    std::set<std::string> Listed()
    {
        const auto list = ListUrls();
        return std::set<std::string>(list.begin(), list.end());
    }

    CHostileServer m_server;
};

// Links of other schemes, one naming a listener's port with the bytes to send it: nothing
// reaches the listener, whether lengths are checked when found or files are downloaded at once,
// and only the http link is a found file.
TEST_F(CHostileLinks, OnlyHttpHttpsAndFtpLinksAreFetched)
{
    CHostileServer listener;
    const std::string target = "127.0.0.1:" + std::to_string(listener.Port());
    const std::string wanted = m_server.Url("/ok.zip");
    ServeFile("/ok.zip");
    m_server.Handle("/to-gopher.zip",
                    [&](CHostileExchange& exchange) {
                        return exchange.Answer(302, "text/html", "",
                                               "Location: gopher://" + target + "/_x.zip\r\n");
                    });
    ServePage("/", "<a href=\"gopher://" + target +
                       "/_SET%20owned%20yes%0D%0Ax.zip\">"
                       "<a href=\"dict://" +
                       target +
                       "/d:x.zip\">"
                       "<a href=\"telnet://" +
                       target +
                       "/t.zip\">"
                       "<a href=\"javascript:alert(document.domain)//b.zip\">"
                       "<a href=\"file:///etc/f.zip\">"
                       "<a href=\"/to-gopher.zip\">"
                       "<a href=\"/ok.zip\">");

    m_core->m_options.m_checkLength = kCheckLengthWhenFound;
    m_core->PublishOptions();
    Crawl(m_server.Url("/"), 0);
    EXPECT_EQ(Listed(), (std::set<std::string>{wanted, m_server.Url("/to-gopher.zip")}));

    ClearViews();
    m_core->m_options.m_autoDownload = true;
    m_core->m_options.m_checkLength = kCheckLengthNever;
    m_core->PublishOptions();
    Crawl(m_server.Url("/"), 0);
    StartDownloadWorkers(*m_core);
    ASSERT_TRUE(WaitForDownloadWorkers(*m_core, std::chrono::seconds(30)));
    EXPECT_TRUE(Holds(Log(), "Downloaded " + wanted + " as "));
    EXPECT_EQ(listener.Connections(), 0);
}

// "Find files on Site" stays on its site: another port of the host is another site, a page that
// redirects is read as the address that answered, and a page that redirects to another site is
// a link to that site. A start page that redirects moves the whole site.
TEST_F(CHostileLinks, SiteCrawlStaysOnTheSiteThatAnswers)
{
    CHostileServer other;
    const auto redirect = [](const std::string& location)
    {
        return [location](CHostileExchange& exchange)
        { return exchange.Answer(302, "text/html", "", "Location: " + location + "\r\n"); };
    };
    ServePage("/", "<a href=\"" + other.Url("/port.htm") +
                       "\"><a href=\"/moved.htm\"><a href=\"/old/index.htm\">");
    m_server.Handle("/moved.htm", redirect(other.Url("/landing.htm")));
    m_server.Handle("/old/index.htm", redirect("/new/index.htm"));
    ServePage("/new/index.htm", "<a href=\"n.zip\">");
    m_server.Handle("/start", redirect(other.Url("/home/")));
    other.Handle("/port.htm", [](CHostileExchange& exchange)
                 { return exchange.Answer(200, "text/html", "<a href=\"p.zip\">"); });
    other.Handle("/landing.htm", [](CHostileExchange& exchange)
                 { return exchange.Answer(200, "text/html", "<a href=\"x.zip\">"); });
    other.Handle("/home/", [](CHostileExchange& exchange)
                 { return exchange.Answer(200, "text/html", "<a href=h.zip><a href=sub.htm>"); });
    other.Handle("/home/sub.htm", [](CHostileExchange& exchange)
                 { return exchange.Answer(200, "text/html", "<a href=s.zip>"); });

    Crawl(m_server.Url("/"), 1);
    EXPECT_EQ(Listed(), std::set<std::string>{m_server.Url("/new/n.zip")});
    EXPECT_EQ(other.Requests("/port.htm"), 0);
    const std::vector<std::string> tree = TreeUrls();
    EXPECT_EQ(std::count(tree.begin(), tree.end(), other.Url("/landing.htm")), 1);

    ClearViews();
    Crawl(m_server.Url("/start"), 1);
    EXPECT_EQ(Listed(),
              (std::set<std::string>{other.Url("/home/h.zip"), other.Url("/home/s.zip")}));
}

// Character references in link values are decoded before the links are resolved and fetched.
TEST_F(CHostileLinks, CharacterReferencesAreDecodedBeforeFetching)
{
    ServeFile("/report&notes.zip");
    ServeFile("/get.cgi?a=1&b=2.zip");
    ServePage("/", "<a href=\"report&amp;notes.zip\"><a href='get.cgi?a=1&#38;b=2.zip'>");
    m_core->m_options.m_checkLength = kCheckLengthWhenFound;
    m_core->PublishOptions();
    Crawl(m_server.Url("/"), 0);
    EXPECT_EQ(Listed(), (std::set<std::string>{m_server.Url("/report&notes.zip"),
                                               m_server.Url("/get.cgi?a=1&b=2.zip")}));
    EXPECT_EQ(m_server.Requests("/report&notes.zip"), 1);
    EXPECT_EQ(m_server.Requests("/get.cgi?a=1&b=2.zip"), 1);
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
    ServePage("/", "<a href=refused.zip><a href=gone.zip><a href=hist.htm>");
    m_core->m_histories.m_urlHistory.Add(m_server.Url("/hist.htm"), CCalendarTime{2020, 1, 1});
    m_core->m_options.m_checkLength = kCheckLengthWhenFound;
    m_core->PublishOptions();

    auto mode = GetMode(1, m_core->m_options);
    mode->m_onlyIfModified = true;
    Crawl(m_server.Url("/"), std::move(mode));
    const std::set<std::string> listed = Listed();
    EXPECT_EQ(listed.count(m_server.Url("/refused.zip")), 1u);
    EXPECT_EQ(listed.count(m_server.Url("/h.zip")), 1u);
    const std::string log = Log();
    EXPECT_TRUE(Holds(log, "Finished browsing " + m_server.Url("/hist.htm")));
    EXPECT_TRUE(Holds(log, "Skipped " + m_server.Url("/gone.zip") + ": HTTP error 404!"));
    EXPECT_FALSE(Holds(log, "HTTP error 405")) << log;
    EXPECT_FALSE(Holds(log, "HTTP error 501")) << log;
}

// Servers that keep a transfer alive with a trickle: header lines or "100 Continue" answers
// end at the headers' time-out, a byte at a time is a stall, and a steady page read ends at its
// time limit with the text that came.
TEST_F(CHostileLinks, DripServersEndWithinTheirDeadlines)
{
    m_core->SetPageReadLimit(std::chrono::seconds(3));
    const auto drip = [](std::string head, std::string piece, int everyMs)
    {
        return [=](CHostileExchange& exchange)
        {
            if (!exchange.Send(head))
                return false;
            for (int i = 0; i < 2000; ++i)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
                if (!exchange.Send(piece))
                    return false;
            }
            return false;
        };
    };
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    m_server.Handle("/lines.htm", drip(ok, "X-Drip: 1\r\n", 300));
    m_server.Handle("/continue.htm", drip("", "HTTP/1.1 100 Continue\r\n\r\n", 300));
    m_server.Handle("/bytes.htm",
                    drip(ok + "Content-Length: 100000\r\n\r\n<a href=b.zip>", " ", 300));
    m_server.Handle("/steady.htm", drip(ok + "\r\n<a href=s.zip>", std::string(2048, ' '), 250));

    for (const char* path : {"/lines.htm", "/continue.htm"})
    {
        Crawl(m_server.Url(path), 0);
        EXPECT_TRUE(Holds(Log(), "File " + m_server.Url(path) +
                                     " connection problem: Timeout was reached: "))
            << path;
    }
    for (const char* path : {"/bytes.htm", "/steady.htm"})
    {
        Crawl(m_server.Url(path), 0);
        EXPECT_TRUE(Holds(Log(), "Finished browsing " + m_server.Url(path) + "\n")) << path;
    }
    EXPECT_EQ(Listed(), (std::set<std::string>{m_server.Url("/b.zip"), m_server.Url("/s.zip")}));
}

// A page's text ends at its first zero byte, also when its length is not announced; a page
// acts on at most kMaxLinksPerPage link values and says so in one line.
TEST_F(CHostileLinks, PagesAreBounded)
{
    m_server.Handle("/nul.htm",
                    [](CHostileExchange& exchange)
                    {
                        using namespace std::string_literals;
                        exchange.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n<a href=\"ab"s +
                                      std::string(5000, '\0') + "c.zip\"><a href=d.zip>");
                        return false;
                    });
    Crawl(m_server.Url("/nul.htm"), 0);
    EXPECT_TRUE(Holds(Log(), "Finished browsing " + m_server.Url("/nul.htm") + "\n"));
    EXPECT_TRUE(Listed().empty());

    std::string links;
    for (std::size_t i = 1; i < kMaxLinksPerPage; ++i)
        links += "<a href=a.txt>";
    ServePage("/last.htm", links + "<a href=last.zip>");
    ServePage("/over.htm", links + "<a href=a.txt><a href=over.zip>");
    Crawl(m_server.Url("/last.htm"), 0);
    Crawl(m_server.Url("/over.htm"), 0);
    EXPECT_EQ(Listed(), std::set<std::string>{m_server.Url("/last.zip")});
    const std::string log = Log();
    EXPECT_FALSE(Holds(log, "Skipped the links of " + m_server.Url("/last.htm")));
    EXPECT_TRUE(Holds(log, "Skipped the links of " + m_server.Url("/over.htm") +
                               " after the first 100000\n"));
}

} // namespace
