#include "net/HttpHeaders.h"

#include "platform/AsciiText.h"
#include "platform/FileTime.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <curl/curl.h>
#include <iterator>
#include <limits>

namespace
{

// Seconds from 1601-01-01 (file time's epoch) to 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTimeSeconds = 11644473600;
constexpr std::int64_t kFileTimeTicksPerSecond = 10000000;

int TwoDigits(std::string_view text, std::size_t at)
{
    const char a = text[at];
    const char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

// "Sun, 06 Nov 1994 08:49:37 GMT", the one form servers are to send, read into its fields
// without libcurl's general parser (which tries each form it knows with sscanf). False for
// anything else and for years before 1970, which go to libcurl as before; the fields' ranges are
// checked where the time is converted.
bool ReadFixedHttpDate(std::string_view text, CCalendarTime& time)
{
    static constexpr std::string_view kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (text.size() != 29 || text.substr(3, 2) != ", " || text[7] != ' ' || text[11] != ' ' ||
        text[16] != ' ' || text[19] != ':' || text[22] != ':' || text.substr(25) != " GMT" ||
        std::find(std::begin(kDays), std::end(kDays), text.substr(0, 3)) == std::end(kDays))
        return false;
    const auto month = std::find(std::begin(kMonths), std::end(kMonths), text.substr(8, 3));
    const int fields[] = {TwoDigits(text, 5),  TwoDigits(text, 12), TwoDigits(text, 14),
                          TwoDigits(text, 17), TwoDigits(text, 20), TwoDigits(text, 23)};
    if (month == std::end(kMonths) ||
        std::find(std::begin(fields), std::end(fields), -1) != std::end(fields))
        return false;
    const int year = fields[1] * 100 + fields[2];
    if (year < 1970)
        return false;
    time.year = static_cast<std::uint16_t>(year);
    time.month = static_cast<std::uint16_t>(month - std::begin(kMonths) + 1);
    time.day = static_cast<std::uint16_t>(fields[0]);
    time.hour = static_cast<std::uint16_t>(fields[3]);
    time.minute = static_cast<std::uint16_t>(fields[4]);
    time.second = static_cast<std::uint16_t>(fields[5]);
    return true;
}

} // namespace

const std::string* FindHeader(const CHttpHeaders& headers, std::string_view name)
{
    for (const auto& [headerName, value] : headers)
        if (AsciiEqualNoCase(headerName, name))
            return &value;
    return nullptr;
}

void AddHeaderLine(CHttpHeaders& headers, std::string_view line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    headers.emplace_back(std::string(AsciiTrim(line.substr(0, colon))),
                         std::string(AsciiTrim(line.substr(colon + 1))));
}

long ParseStatusLine(std::string_view line)
{
    if (line.substr(0, 5) != "HTTP/")
        return 0;
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return 0;
    long status = 0;
    std::size_t digits = 0;
    for (std::size_t i = space + 1; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
    {
        if (++digits > 3)
            return 0;
        status = status * 10 + (line[i] - '0');
    }
    return digits == 3 ? status : 0;
}

bool ParseHttpDate(const std::string& text, CCalendarTime& time)
{
    CCalendarTime fixed;
    std::uint64_t fileTime = 0;
    if (ReadFixedHttpDate(text, fixed) && CalendarTimeToFileTime(fixed, fileTime))
        return FileTimeToCalendarTime(fileTime, time);
    const std::time_t seconds = curl_getdate(text.c_str(), nullptr);
    if (seconds == static_cast<std::time_t>(-1))
        return false;
    const std::int64_t sinceFileEpoch =
        static_cast<std::int64_t>(seconds) + kUnixEpochInFileTimeSeconds;
    if (sinceFileEpoch < 0 ||
        sinceFileEpoch > std::numeric_limits<std::int64_t>::max() / kFileTimeTicksPerSecond)
        return false;
    return FileTimeToCalendarTime(
        static_cast<std::uint64_t>(sinceFileEpoch) * kFileTimeTicksPerSecond, time);
}

std::uint64_t ParseContentLength(std::string_view text)
{
    // Above this a size is no file offset (off_t), and the next digit could wrap the sum.
    constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    text = AsciiTrim(text);
    if (text.empty())
        return 0;
    std::uint64_t value = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return 0;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (kLargest - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

CContentRange ParseContentRange(const std::string* value)
{
    CContentRange range;
    if (value == nullptr)
        return range;
    std::string_view text = AsciiTrim(*value);
    if (text.substr(0, 6) != "bytes ")
        return range;
    text.remove_prefix(6);
    const std::size_t dash = text.find('-');
    const std::size_t slash = text.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash)
        return range;
    const std::uint64_t first = dash == 0 ? 0 : ParseContentLength(text.substr(0, dash));
    const std::uint64_t last = ParseContentLength(text.substr(dash + 1, slash - dash - 1));
    const std::uint64_t length = ParseContentLength(text.substr(slash + 1));
    // "0" reads as 0 like a malformed number; only the first byte may be 0.
    const bool firstOk = first != 0 || text.substr(0, dash) == "0";
    if (!firstOk || length == 0 || last + 1 != length || first > last)
        return range;
    range.start = static_cast<std::int64_t>(first);
    range.length = length;
    return range;
}
