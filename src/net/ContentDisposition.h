#pragma once

#include <string>
#include <string_view>

// The file name that a Content-Disposition value gives, as UTF-8: "filename*" (charset and
// percent-encoding, RFC 8187) when it can be read, else "filename" (a token or a quoted string,
// its bytes as sent). Empty when the value names none. The name is the server's text: a caller
// that makes a file of it makes it safe first.
std::string DispositionFileName(std::string_view value);
