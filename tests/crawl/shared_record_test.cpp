#include "CrawlFixture.h"
#include "download/UrlTransfers.h"
#include "platform/UserPrompts.h"
#include "support/TestHttpServer.h"

#include <thread>

namespace
{

// Answers every login prompt with the server's credentials, from any thread.
class CLoginPrompts : public CUserPrompts
{
public:
    void ShowMessage(const std::string&, const std::string&) override {}
    bool AskLogin(const std::string&, std::string& userName, std::string& password) override
    {
        userName = "u";
        password = "p";
        return true;
    }
    bool OpenWithShell(const std::string&) override { return false; }
};

// Two browses of one node and Determine File Size on it, all at once: each transfer keeps its
// headers and login answer to itself, so the shared record sees no data race.
TEST_F(CCrawlTest, TwoBrowsesAndASizeCheckOfOneRecordAtOnce)
{
    CLoginPrompts prompts;
    m_core->SetPrompts(&prompts);
    CTestHttpServer server;
    server.Server().Get("/",
                        [](const httplib::Request& request, httplib::Response& response)
                        {
                            if (request.get_header_value("Authorization") != "Basic dTpw")
                            {
                                response.status = 401;
                                response.set_header("WWW-Authenticate", "Basic realm=\"r\"");
                                return;
                            }
                            // Long enough for the three transfers to overlap.
                            std::this_thread::sleep_for(std::chrono::milliseconds(20));
                            response.set_header("Last-Modified", "Tue, 15 Nov 1994 08:12:31 GMT");
                            response.set_content("<a href=a.zip>", "text/html");
                        });
    server.Start();

    for (int round = 0; round < 3; ++round)
    {
        auto* site = new CUrl(server.Url("/"), &m_core->m_histories.m_urlHistory);
        m_core->m_sites.AddLocked(*site);
        StartBrowse(*m_core, site, GetMode(0, m_core->m_options));
        StartBrowse(*m_core, site, GetMode(0, m_core->m_options));
        std::thread sizing([&] { DetermineSize(*site, m_core->TransferContext()); });
        sizing.join();
        ASSERT_TRUE(WaitForBrowseThreads(*m_core, std::chrono::seconds(60)));
        EXPECT_TRUE(site->m_usable);
        ClearViews();
        m_core->m_connections.DropConnection(CUrl(server.Url("/")));
    }
    EXPECT_EQ(m_core->m_urlStore.AllocatedUrls(), 0);
    m_core->SetPrompts(nullptr);
}

} // namespace
