#include "net/Transfer.h"
#include "net/TransferFixture.h"
#include "net/UrlTransfers.h"
#include "url/Url.h"

class FetchBodyTest : public CTransferTest
{
};

TEST_F(FetchBodyTest, APageWithLengthIsReadInOneBlockAndTerminated)
{
    const std::string page(1024, 'p');
    m_server.Server().Get("/page.htm", [&](const httplib::Request&, httplib::Response& response)
                          { response.set_content(page, "text/html"); });
    m_server.Start();
    CUrl record(m_server.Url("/page.htm"));
    const auto text = FetchBody(record, m_context);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, page);
    EXPECT_EQ(text->c_str()[1024], '\0');
    EXPECT_EQ(m_statistics.m_receivedBytes.load(), 1024u);
    // One tick for the request, one for the single block.
    EXPECT_EQ(m_frameSink.ProgressTicks(), 2);
    EXPECT_EQ(record.m_sizeState.load(), kSizeKnown);
    EXPECT_EQ(record.m_size.load(), 1024u);
}

TEST_F(FetchBodyTest, APageWithoutLengthIsReadInBlocksUpToItsFirstZeroByte)
{
    // Three blocks of 1023 bytes; the second holds a zero byte after "mid": the text ends there
    // and the third is never read.
    std::string page =
        std::string(1023, 'a') + "mid" + std::string(1, '\0') + std::string(1019, 'b') + "tail";
    m_server.Server().Get("/chunked.htm",
                          [&](const httplib::Request&, httplib::Response& response)
                          {
                              response.set_chunked_content_provider(
                                  "text/html",
                                  [&](std::size_t offset, httplib::DataSink& sink)
                                  {
                                      if (offset < page.size())
                                          sink.write(
                                              page.data() + offset,
                                              std::min<std::size_t>(500, page.size() - offset));
                                      else
                                          sink.done();
                                      return true;
                                  });
                          });
    m_server.Start();
    CUrl record(m_server.Url("/chunked.htm"));
    const auto text = FetchBody(record, m_context);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, std::string(1023, 'a') + "mid");
    EXPECT_EQ(m_statistics.m_receivedBytes.load(), 2 * 1023u);
    EXPECT_EQ(m_frameSink.ProgressTicks(), 1 + 2);
    EXPECT_EQ(m_frameSink.ProgressPosts(), 1 + 1) << "the open, then the page's blocks at once";
    EXPECT_EQ(record.m_sizeState.load(), kSizeNotGiven);
}

TEST_F(FetchBodyTest, AHugeAnnouncedLengthAllocatesOnlyWhatArrives)
{
    // Sizes past 31 and 32 bits are known like any other; the allocation follows the bytes.
    for (std::size_t announced :
         {std::size_t{2000000000}, std::size_t{2147483648u}, std::size_t{5} << 30})
    {
        SCOPED_TRACE(announced);
        CTestHttpServer server;
        server.ServeDroppedBody("/liar.htm", announced, 5000);
        server.Start();
        CUrl record(server.Url("/liar.htm"));
        const auto text = FetchBody(record, m_context);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, std::string(5000, 'x'));
        EXPECT_LT(text->capacity(), 4u * 1024 * 1024);
        EXPECT_EQ(record.m_sizeState.load(), kSizeKnown);
        EXPECT_EQ(record.m_size.load(), announced);
    }
}

TEST_F(FetchBodyTest, RedirectChainsAreFollowedAndLoopsEnd)
{
    m_server.ServeRedirectChain("/hop", 4, "arrived");
    m_server.ServeRedirectLoop("/ping", "/pong");
    m_server.Start();
    CUrl chained(m_server.Url("/hop0"));
    EXPECT_EQ(FetchBody(chained, m_context), std::optional<std::string>("arrived"));

    const std::string url = m_server.Url("/ping");
    CUrl looping(url);
    EXPECT_FALSE(FetchBody(looping, m_context).has_value());
    EXPECT_EQ(Log().rfind("File " + url + " connection problem: ", 0), 0u) << Log();
    EXPECT_TRUE(looping.m_usable); // a failed page open leaves the record usable
}

TEST_F(FetchBodyTest, CancelDuringAPageReadGivesNothing)
{
    m_server.Server().Get("/endless.htm",
                          [&](const httplib::Request&, httplib::Response& response)
                          {
                              response.set_chunked_content_provider(
                                  "text/html",
                                  [&](std::size_t offset, httplib::DataSink& sink)
                                  {
                                      if (offset >= 50000)
                                          m_cancelBrowse = true;
                                      const std::string part(1000, 'e');
                                      return !m_server.IsReleased() &&
                                             sink.write(part.data(), part.size());
                                  });
                          });
    m_server.Start();
    CUrl record(m_server.Url("/endless.htm"));
    EXPECT_FALSE(FetchBody(record, m_context).has_value());
    EXPECT_TRUE(record.m_usable);
}

TEST_F(FetchBodyTest, HeadersFillTheTransferState)
{
    m_server.Server().Get("/dated.zip",
                          [](const httplib::Request&, httplib::Response& response)
                          {
                              response.set_header("Last-Modified", "Tue, 15 Nov 1994 08:12:31 GMT");
                              response.set_content(std::string(1536, 'z'), "application/zip");
                          });
    m_server.Server().Get("/undated.zip", [](const httplib::Request&, httplib::Response& response)
                          { response.set_content("", "text/plain"); });
    m_server.Start();

    CUrl dated(m_server.Url("/dated.zip"));
    CCalendarTime lastModified;
    EXPECT_TRUE(CheckHeaders(dated, m_context, &lastModified));
    const CCalendarTime expected{1994, 11, 2, 15, 8, 12, 31, 0};
    EXPECT_EQ(lastModified, expected);
    EXPECT_EQ(dated.m_sizeState.load(), kSizeKnown);
    EXPECT_EQ(DetermineSize(dated, m_context), 1536u);
    {
        CTransfer transfer(m_context);
        ASSERT_TRUE(transfer.OpenWithLogin(dated, true));
        CResponseFacts facts;
        ASSERT_TRUE(ReadHeaders(dated, transfer, &facts));
        EXPECT_EQ(facts.contentType, "application/zip");
        EXPECT_EQ(facts.size, 1536u);
    }
    EXPECT_EQ(m_statistics.m_receivedBytes.load(), 0u); // HEAD requests read no body

    CUrl undated(m_server.Url("/undated.zip"));
    lastModified.year = 2001;
    EXPECT_TRUE(CheckHeaders(undated, m_context, &lastModified));
    EXPECT_FALSE(lastModified.IsSet());
    EXPECT_EQ(DetermineSize(undated, m_context), 0u);
    EXPECT_EQ(undated.m_sizeState.load(), kSizeNotGiven);
    EXPECT_TRUE(undated.m_usable);
    EXPECT_EQ(m_server.AcceptedConnections(), 1); // every request went over one connection
}

TEST_F(FetchBodyTest, TheRefererAndAgentAreSentButNoLineBreakInTheReferer)
{
    std::string referer;
    std::string agent;
    bool injected = false;
    m_server.Server().Get("/r.htm",
                          [&](const httplib::Request& request, httplib::Response& response)
                          {
                              referer = request.get_header_value("Referer");
                              agent = request.get_header_value("User-Agent");
                              injected = request.has_header("X-Injected");
                              response.set_content("ok", "text/html");
                          });
    m_server.Start();
    const std::pair<std::string, std::string> cases[] = {
        {"http://example.invalid/from.htm", "http://example.invalid/from.htm"},
        {"http://example.invalid/a\r\nX-Injected: 1", ""},
    };
    for (const auto& [given, sent] : cases)
    {
        CUrl record(m_server.Url("/r.htm"));
        record.SetReferer(std::make_shared<const std::string>(given));
        EXPECT_TRUE(FetchBody(record, m_context).has_value());
        EXPECT_EQ(referer, sent);
        EXPECT_EQ(agent, "Hvstr152");
        EXPECT_FALSE(injected);
    }
}

TEST_F(FetchBodyTest, ReadReturnsBlocksThenZeroAndNothingWhenClosed)
{
    m_server.Server().Get("/b.htm", [](const httplib::Request&, httplib::Response& response)
                          { response.set_content(std::string(2500, 'r'), "text/html"); });
    m_server.Start();
    CUrl record(m_server.Url("/b.htm"));
    CTransfer transfer(m_context);
    ASSERT_EQ(transfer.Open(record, false), 0);
    char block[1024];
    EXPECT_EQ(transfer.Read(block, sizeof block), 1024);
    EXPECT_EQ(transfer.Read(block, sizeof block), 1024);
    EXPECT_EQ(transfer.Read(block, sizeof block), 452);
    EXPECT_EQ(transfer.Read(block, sizeof block), 0);
    transfer.Close();
    EXPECT_EQ(transfer.Read(block, sizeof block), 0);
    CResponseFacts facts;
    EXPECT_FALSE(transfer.QueryHeaders(facts));
}
