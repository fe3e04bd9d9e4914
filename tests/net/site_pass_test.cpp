#include "net/Transfer.h"
#include "net/TransferFixture.h"
#include "url/Url.h"

#include <chrono>
#include <thread>

namespace
{

// A thread that waits for its site's connection limit keeps driving the transfers it holds the
// site's connections with, even those whose reader is behind.
class SitePassTest : public CTransferTest
{
};

TEST_F(SitePassTest, AWaitForTheSiteFinishesTheThreadsOwnTransfers)
{
    const std::string big(1024 * 1024, 'b');
    m_server.Server().Get("/big.htm", [&](const httplib::Request&, httplib::Response& response)
                          { response.set_content(big, "text/html"); });
    m_server.Server().Get("/small.htm", [](const httplib::Request&, httplib::Response& response)
                          { response.set_content("small", "text/html"); });
    m_server.Start();
    m_options.m_siteConnections = 1;

    // Ends the test rather than hanging it when the wait never ends.
    std::jthread guard(
        [this](std::stop_token stop)
        {
            for (int step = 0; step < 100 && !stop.stop_requested(); ++step)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            m_cancelBrowse = true;
            m_session.WakeWaits();
        });

    CUrl bigRecord(m_server.Url("/big.htm"));
    CTransfer ahead(m_context, &m_cancelBrowse);
    ASSERT_TRUE(ahead.StartAhead(bigRecord, false));
    ahead.SendAhead(false);
    CUrl smallRecord(m_server.Url("/small.htm"));
    CTransfer second(m_context, &m_cancelBrowse);
    // The site's one connection is the one the big page comes on: the second read waits.
    EXPECT_FALSE(second.StartAhead(smallRecord, false));

    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(second.Open(smallRecord, false), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(m_statistics.m_siteWaits.load(), 1u);
    char text[16] = {};
    EXPECT_EQ(second.Read(text, sizeof text), 5);

    ASSERT_EQ(ahead.Open(bigRecord, false), 0);
    std::string body(big.size() + 1, '\0');
    std::size_t got = 0;
    for (std::int64_t count = 0; (count = ahead.Read(body.data() + got, body.size() - got)) > 0;)
        got += static_cast<std::size_t>(count);
    body.resize(got);
    EXPECT_EQ(body, big);
    guard.request_stop();
}

} // namespace
