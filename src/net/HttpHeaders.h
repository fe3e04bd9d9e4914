#pragma once

#include "platform/CalendarTime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The header lines of one HTTP response, as name and value (trimmed), in arrival order.
using CHttpHeaders = std::vector<std::pair<std::string, std::string>>;

// The value of the first header called name (compared without case); null when there is none.
const std::string* FindHeader(const CHttpHeaders& headers, std::string_view name);

// Splits one raw header line ("Name: value\r\n") into headers; lines without a colon are ignored.
void AddHeaderLine(CHttpHeaders& headers, std::string_view line);

// The status code of a status line such as "HTTP/1.1 404 Not Found"; 0 when there is none.
long ParseStatusLine(std::string_view line);

// An HTTP date (any of the forms servers send) as UTC calendar time, day of week included,
// milliseconds 0. False when the text is no date.
bool ParseHttpDate(const std::string& text, CCalendarTime& time);

// A Content-Length value as the size field holds it: the number when it is a plain decimal
// between 1 and 2^63 - 1, else 0 (missing, malformed, or too large for a file offset).
std::uint64_t ParseContentLength(std::string_view text);

// What a 206 answer's Content-Range ("bytes 100-999/1000") says, when it sends the resource from
// start to its last byte: start (else -1) and the resource's length as ParseContentLength reads
// it.
struct CContentRange
{
    std::int64_t start = -1;
    std::uint64_t length = 0;
};
CContentRange ParseContentRange(const std::string* value);
