#pragma once

// The points where the application hands work to core pieces that are still being built. Each
// is one small function; its body is replaced by the call into the core when that lands.

#include <memory>
#include <string>

class CModeData;
class CUrl;
struct CAppState;

// Browses the site of record with mode on a new browse thread, which owns the mode. When
// storeOwnsRecord is false the record is the caller's and goes with the browse.
// Until the browse engine exists: nothing is browsed and the record is dropped.
void StartBrowse(CAppState& state, CUrl* record, bool storeOwnsRecord,
                 std::unique_ptr<CModeData> mode);

// The handling of WM_START_DOWNLOADS: starts download workers while files are queued and fewer
// than the options' worker count run. Until the download workers exist: starts none.
void StartDownloadWorkers(CAppState& state);

// A HEAD request for a documentation page (with the login prompt on 401); true when it answered
// below 300. Until the transfers exist: true, so the browser is asked to show the page.
bool ProbeDocumentationPage(CAppState& state, const std::string& url);
