#pragma once

#include <string>
#include <string_view>
#include <utility>

// What is kept of a URL on disk: the user name stays, the password goes ("http://u:pw@h/" is
// kept as "http://u@h/"), so that no history or record file hands a password to whoever can
// read it. Only the authority of the URL itself counts; text without "://" is left as it is.

// Where the password of the address whose "://" stands at scheme in text lies: [from, to), an
// empty range when it names none. The authority ends at "/", "?", "#" or a blank, so text may
// be a whole line with several addresses.
std::pair<std::size_t, std::size_t> FindUrlPassword(std::string_view text, std::size_t scheme);

// True when url names a password in its authority. Cheap for the usual URL without "@".
bool HasUrlPassword(std::string_view url);

// url without its password (and without the "@" when no user name is left).
std::string UrlWithoutPassword(std::string_view url);
