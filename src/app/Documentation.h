#pragma once

#include <string>

class CTrawlerCore;

// A HEAD request for a page of the maker's site, with the user-name and password prompt on 401
// when logins are on; true when the server answered below 300. User-interface thread.
bool ProbeDocumentationPage(CTrawlerCore& core, const std::string& url);
