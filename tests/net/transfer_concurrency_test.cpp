#include "net/TransferFixture.h"
#include "net/UrlTransfers.h"
#include "url/Url.h"

#include <thread>

class TransferConcurrencyTest : public CTransferTest
{
};

TEST_F(TransferConcurrencyTest, ThreadsReuseOneConnectionEach)
{
    constexpr int kThreads = 8;
    constexpr int kPages = 100;
    m_server.Server().Get(
        R"(/page(\d+)\.htm)",
        [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("<html>page " + request.matches[1].str() + "</html>", "text/html");
        });
    m_server.Start();

    std::atomic<int> wrong{0};
    std::atomic<std::uint32_t> expectedBytes{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int p = 0; p < kPages; ++p)
                {
                    const std::string number = std::to_string(t * kPages + p);
                    CUrl record(m_server.Url("/page" + number + ".htm"));
                    const std::string expected = "<html>page " + number + "</html>";
                    if (FetchBody(record, m_context) != std::optional<std::string>(expected))
                        ++wrong;
                    expectedBytes += static_cast<std::uint32_t>(expected.size());
                }
            });
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(wrong.load(), 0);
    EXPECT_LE(m_server.AcceptedConnections(), kThreads);
    EXPECT_EQ(m_statistics.m_receivedBytes.load(), expectedBytes.load());
    EXPECT_EQ(Log(), "");
}
