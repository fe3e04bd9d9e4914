#include "net/Transfer.h"
#include "net/TransferFixture.h"
#include "net/UrlTransfers.h"
#include "support/WaitFor.h"
#include "url/Url.h"

#include <memory>
#include <thread>

namespace
{

// Serves path only to user "ann" with password "secret", by Basic authentication.
void ServeProtected(CTestHttpServer& server, const std::string& path, std::atomic<int>& requests)
{
    server.Server().Get(path,
                        [&requests](const httplib::Request& request, httplib::Response& response)
                        {
                            ++requests;
                            // "ann:secret" in Base64.
                            if (request.get_header_value("Authorization") ==
                                "Basic YW5uOnNlY3JldA==")
                            {
                                response.set_content("inside", "text/html");
                                return;
                            }
                            response.status = 401;
                            response.set_header("WWW-Authenticate", "Basic realm=\"test\"");
                            response.set_content("denied", "text/html");
                        });
}

} // namespace

class TransferLoginTest : public CTransferTest
{
protected:
    std::string Skipped401(const std::string& url)
    {
        return "Skipped " + url + ": HTTP error 401!\n";
    }

    std::atomic<int> m_requests{0};
};

TEST_F(TransferLoginTest, WithLoginsOffA401FailsAtOnce)
{
    m_options.m_passwordLogins = false;
    ServeProtected(m_server, "/p.htm", m_requests);
    m_server.Start();
    const std::string url = m_server.Url("/p.htm");
    CUrl record(url);
    EXPECT_FALSE(FetchBody(record, m_context).has_value());
    EXPECT_TRUE(m_prompts.m_asked.empty());
    EXPECT_EQ(Log(), Skipped401(url));
}

TEST_F(TransferLoginTest, ARightAnswerSucceedsAndTheServerKeepsTheCredentials)
{
    ServeProtected(m_server, "/p.htm", m_requests);
    ServeProtected(m_server, "/q.htm", m_requests);
    m_server.Start();
    m_prompts.m_answers.push_back({"ann", "secret"});
    const std::string url = m_server.Url("/p.htm");
    CUrl record(url);
    EXPECT_EQ(FetchBody(record, m_context), std::optional<std::string>("inside"));
    EXPECT_EQ(m_prompts.m_asked, std::vector<std::string>{"127.0.0.1 shown /"});
    // The answer goes with the server's entry, never into the record other threads share.
    EXPECT_TRUE(record.UserName().empty());
    EXPECT_TRUE(record.Password().empty());
    EXPECT_EQ(Log(), Skipped401(url));

    // Another page of that server carries the answer without a prompt.
    CUrl other(m_server.Url("/q.htm"));
    EXPECT_EQ(FetchBody(other, m_context), std::optional<std::string>("inside"));
    EXPECT_EQ(m_prompts.m_asked.size(), 1u);
}

TEST_F(TransferLoginTest, AWrongAnswerPromptsAgainUntilCancel)
{
    ServeProtected(m_server, "/p.htm", m_requests);
    m_server.Start();
    m_prompts.m_answers.push_back({"ann", "wrong"});
    m_prompts.m_answers.push_back({"bob", "guess"});
    const std::string url = m_server.Url("/p.htm");
    CUrl record(url);
    CRecordingProgress progress;
    EXPECT_FALSE(DownloadTo(record, m_context, progress, m_dir.File("p.htm")));
    // The prompt shows the last answer again; the third prompt is cancelled.
    EXPECT_EQ(m_prompts.m_asked,
              (std::vector<std::string>{"127.0.0.1 shown /", "127.0.0.1 shown ann/wrong",
                                        "127.0.0.1 shown bob/guess"}));
    EXPECT_EQ(Log(), Skipped401(url) + Skipped401(url) + Skipped401(url));
    EXPECT_EQ(progress.m_ends, std::vector<bool>{false});
    EXPECT_FALSE(record.m_usable);
}

TEST_F(TransferLoginTest, AWrongThenRightAnswerOpens)
{
    ServeProtected(m_server, "/p.htm", m_requests);
    m_server.Start();
    m_prompts.m_answers.push_back({"ann", "wrong"});
    m_prompts.m_answers.push_back({"ann", "secret"});
    CUrl record(m_server.Url("/p.htm"));
    CTransfer transfer(m_context);
    EXPECT_TRUE(transfer.OpenWithLogin(record, true));
    EXPECT_EQ(m_prompts.m_asked.size(), 2u);
}

TEST_F(TransferLoginTest, ACancelledBrowseStopsPrompting)
{
    ServeProtected(m_server, "/p.htm", m_requests);
    m_server.Start();
    m_prompts.m_answers.push_back({"ann", "wrong"});
    m_cancelBrowse = false;
    CUrl record(m_server.Url("/p.htm"));
    CTransfer transfer(m_context, &m_cancelBrowse);
    EXPECT_EQ(transfer.Open(record, true), 401);
    m_cancelBrowse = true;
    EXPECT_FALSE(transfer.OpenWithLogin(record, true));
    EXPECT_TRUE(m_prompts.m_asked.empty());
}

// The prompt as a front-end sees it: an event on the worker's thread, answered later from the
// front-end's own thread while the worker waits.
class TransferPromptEventTest : public TransferLoginTest
{
protected:
    void SetUp() override
    {
        m_frameSink.SetPrompts(nullptr);
        m_frameSink.HoldLoginPrompts(); // the test answers, from its own thread
        ServeProtected(m_server, "/p.htm", m_requests);
        m_server.Start();
    }
    // Opens on a worker thread; the result lands in m_opened.
    std::thread OpenOnWorker(CTransfer& transfer, CUrl& record)
    {
        return std::thread([&] { m_opened = transfer.OpenWithLogin(record, true) ? 1 : 0; });
    }
    // The request of the prompt numbered count (from 1).
    std::shared_ptr<CLoginRequest> WaitForPrompt(int count)
    {
        EXPECT_TRUE(WaitFor([&] { return m_frameSink.Count<CLoginPromptEvent>() == count; }));
        std::shared_ptr<CLoginRequest> request;
        for (const CEngineEvent& event : m_frameSink.Events())
            if (const auto* prompt = std::get_if<CLoginPromptEvent>(&event))
                request = prompt->request;
        return request;
    }

    std::atomic<int> m_opened{-1};
};

// The front-end's reply opens the page with its credentials; a cancel ends the wait as Cancel, and
// a reply that comes too late sends nothing.
TEST_F(TransferPromptEventTest, TheReplyOrACancelEndsTheWorkersWait)
{
    // Cancelled first: an answered login would be kept for the server and asked no more.
    int prompts = 0;
    for (const bool cancel : {true, false})
    {
        SCOPED_TRACE(cancel ? "cancel" : "reply");
        CUrl record(m_server.Url("/p.htm"));
        CTransfer transfer(m_context, &m_cancelBrowse);
        std::thread worker = OpenOnWorker(transfer, record);
        const std::shared_ptr<CLoginRequest> request = WaitForPrompt(++prompts);
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(request->Server(), "127.0.0.1");
        EXPECT_EQ(m_opened.load(), -1) << "the worker waits for the reply";
        const int requestsBefore = m_requests.load();
        if (cancel)
        {
            m_cancelBrowse = true;
            m_events.WakePrompts();
            worker.join();
        }
        request->Answer(true, "ann", "secret");
        if (!cancel)
            worker.join();
        EXPECT_EQ(m_opened.load(), cancel ? 0 : 1);
        if (cancel)
        {
            EXPECT_EQ(m_requests.load(), requestsBefore);
        }
        m_cancelBrowse = false;
        m_opened = -1;
    }
}

TEST(ConnectionCacheTest, ServersAreKeptPerHostAndPortAndADroppedEntryStaysValid)
{
    CConnectionCache cache;
    CUrl first("http://ann:pw@h.example:8080/a.htm");
    CUrl samePort("http://h.example:8080/b.htm");
    CUrl otherPort("http://h.example/c.htm");

    const auto held = cache.GetConnection(first);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->port, 8080);
    EXPECT_EQ(held->userName, "ann");
    EXPECT_EQ(cache.GetConnection(samePort), held); // the first record decides the credentials
    EXPECT_NE(cache.GetConnection(otherPort), held);
    EXPECT_EQ(cache.GetConnection(otherPort)->port, 80);

    cache.DropConnection(samePort);
    const auto replaced = cache.GetConnection(CUrl("http://bob@h.example:8080/b.htm"));
    EXPECT_EQ(replaced->userName, "bob");
    EXPECT_EQ(held->userName, "ann"); // a running transfer keeps what it started with
}
