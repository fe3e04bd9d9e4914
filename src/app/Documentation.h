#pragma once

#include <atomic>
#include <string>
#include <string_view>

class CEngine;
class QWidget;

// A HEAD request for a page of the maker's site, with the user-name and password prompt on 401
// when logins are on; true when the server answered below 300. Any thread; cancel (may be null)
// aborts the request.
bool ProbeDocumentationPage(CEngine& engine, const std::string& url,
                            const std::atomic<bool>* cancel = nullptr);

// The page's copy on this computer: under HARVESTOR_DOCS when that is set (tests), else the
// installed one (share/harvestor/site beside the program's folder), else the source tree's for
// a run from the build tree. Empty when there is none.
std::string LocalDocumentationPage(std::string_view page);

// Help: opens the page's copy on this computer; without one, asks the maker's site for a page of
// the documentation on a thread of its own (owner stays responsive and offers Cancel when the
// answer is slow), then opens it in the browser, or tells the user that the documentation needs a
// connection. A cancelled request shows nothing.
void OpenDocumentationPage(QWidget* owner, CEngine& engine, const char* page);
