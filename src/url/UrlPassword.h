#pragma once

#include <string>
#include <string_view>

// What is kept of a URL on disk: the user name stays, the password goes ("http://u:pw@h/" is
// kept as "http://u@h/"), so that no history or record file hands a password to whoever can
// read it. Only the authority of the URL itself counts; text without "://" is left as it is.

// True when url names a password in its authority. Cheap for the usual URL without "@".
bool HasUrlPassword(std::string_view url);

// url without its password (and without the "@" when no user name is left).
std::string UrlWithoutPassword(std::string_view url);
