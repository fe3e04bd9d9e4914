#include "app/CoreSeams.h"

#include "download/TrawlerCore.h"

void StartDownloadWorkers(CTrawlerCore& /*core*/) {}
