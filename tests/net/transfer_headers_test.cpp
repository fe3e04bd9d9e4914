#include "net/HttpHeaders.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

// Sizes are 64-bit up to the largest file offset; anything past it is unknown, never wrapped.
TEST(HttpHeadersTest, ContentLengthAsTheSizeFieldHoldsIt)
{
    const std::pair<const char*, std::uint64_t> cases[] = {
        {"1536", 1536},
        {" 42 ", 42},
        {"0", 0},
        {"", 0},
        {"-5", 0},
        {"12abc", 0},
        {"2147483647", 2147483647u},
        {"2147483648", 2147483648u},
        {"3221225472", 3221225472u},
        {"4294967296", 4294967296u},
        {"9223372036854775807", 9223372036854775807u},
        {"9223372036854775808", 0},
        {"18446744073709551616", 0},
        {"99999999999999999999999", 0},
    };
    for (const auto& [text, size] : cases)
        EXPECT_EQ(ParseContentLength(text), size) << text;
}

TEST(HttpHeadersTest, ContentRangeStartAndTotal)
{
    const struct
    {
        const char* value;
        std::int64_t start;
        std::uint64_t length;
    } cases[] = {
        {"bytes 100-999/1000", 100, 1000},
        {"bytes 0-0/1", 0, 1},
        {"bytes 3000000000-4294967295/4294967296", 3000000000, 4294967296u},
        {"bytes 4294967296-5368709119/5368709120", 4294967296, 5368709120u},
        {"bytes 1-9223372036854775806/9223372036854775807", 1, 9223372036854775807u},
        {"bytes 1-9223372036854775807/9223372036854775808", -1, 0},
        {"bytes 100-999/1001", -1, 0},
        {"bytes 100-999/*", -1, 0},
        {"bytes 1000-999/1000", -1, 0},
        {"items 0-9/10", -1, 0},
    };
    for (const auto& c : cases)
    {
        const std::string value = c.value;
        const CContentRange range = ParseContentRange(&value);
        EXPECT_EQ(range.start, c.start) << c.value;
        EXPECT_EQ(range.length, c.length) << c.value;
    }
    EXPECT_EQ(ParseContentRange(nullptr).start, -1);
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

// The fixed form has a reader of its own; it must agree with libcurl's, which reads the rest.
TEST(HttpHeadersTest, TheFixedDateFormReadsAsLibcurlReadsIt)
{
    for (const char* text : {"Thu, 01 Jan 1970 00:00:00 GMT", "Tue, 29 Feb 2000 23:59:59 GMT",
                             "Sun, 28 Feb 2100 12:00:00 GMT", "Fri, 31 Dec 1999 23:59:59 GMT",
                             "Wed, 31 Dec 2036 00:00:01 GMT", "Mon, 15 Nov 2094 08:12:31 GMT",
                             "Sat, 29 Feb 2100 00:00:00 GMT", "Sun, 31 Apr 2021 10:00:00 GMT",
                             "Sun, 06 Nov 1994 24:00:00 GMT", "Sun, 06 Nov 1969 08:49:37 GMT",
                             "sun, 06 nov 1994 08:49:37 GMT", "Sun, 06 Nov 1994 08:49:37 UTC"})
    {
        const std::time_t reference = curl_getdate(text, nullptr);
        CCalendarTime time;
        CCalendarTime expected;
        const bool read = ParseHttpDate(text, time);
        ASSERT_EQ(read, reference != -1 && ParseHttpDate(std::string(text) + " ", expected))
            << text;
        if (read)
        {
            EXPECT_EQ(time, expected) << text;
        }
    }
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
