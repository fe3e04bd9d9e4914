#include "net/HttpHeaders.h"

#include <gtest/gtest.h>

TEST(HttpHeadersTest, ContentLengthAsTheSizeFieldHoldsIt)
{
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"1536", 1536},
        {" 42 ", 42},
        {"0", 0},
        {"", 0},
        {"-5", 0},
        {"12abc", 0},
        {"2147483647", 2147483647u},
        {"2147483648", 0},
        {"99999999999999999999999", 0},
    };
    for (const auto& [text, size] : cases)
        EXPECT_EQ(ParseContentLength(text), size) << text;
}

TEST(HttpHeadersTest, DatesInEveryFormServersSend)
{
    const CCalendarTime expected{1994, 11, 0, 6, 8, 49, 37, 0}; // a Sunday
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994"})
    {
        CCalendarTime time;
        ASSERT_TRUE(ParseHttpDate(text, time)) << text;
        EXPECT_EQ(time, expected) << text;
    }
    CCalendarTime time;
    EXPECT_FALSE(ParseHttpDate("yesterday-ish", time));
    EXPECT_FALSE(ParseHttpDate("", time));
}

TEST(HttpHeadersTest, StatusLinesAndHeaderLines)
{
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 404 Not Found\r\n"), 404);
    EXPECT_EQ(ParseStatusLine("HTTP/2 200\r\n"), 200);
    EXPECT_EQ(ParseStatusLine("Content-Type: text/html\r\n"), 0);
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 20000 Odd\r\n"), 0);

    CHttpHeaders headers;
    AddHeaderLine(headers, "Content-Type:  text/html \r\n");
    AddHeaderLine(headers, "content-type: second\r\n");
    AddHeaderLine(headers, "no colon here\r\n");
    ASSERT_EQ(headers.size(), 2u);
    ASSERT_NE(FindHeader(headers, "CONTENT-TYPE"), nullptr);
    EXPECT_EQ(*FindHeader(headers, "CONTENT-TYPE"), "text/html");
    EXPECT_EQ(FindHeader(headers, "Last-Modified"), nullptr);
}
