#pragma once

// The points where the application hands work to core pieces that are still being built. Each
// is one small function; its body is replaced by the call into the core when that lands.

#include <string>

class CTrawlerCore;

// The handling of WM_START_DOWNLOADS: starts download workers while files are queued and fewer
// than the options' worker count run. Until the download workers exist: starts none.
void StartDownloadWorkers(CTrawlerCore& core);
