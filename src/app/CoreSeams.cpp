#include "app/CoreSeams.h"

#include "app/AppState.h"
#include "settings/ModeData.h"
#include "url/Url.h"

void StartBrowse(CAppState& /*state*/, CUrl* record, bool storeOwnsRecord,
                 std::unique_ptr<CModeData> /*mode*/)
{
    if (!storeOwnsRecord)
        delete record;
}

void StartDownloadWorkers(CAppState& /*state*/) {}

bool ProbeDocumentationPage(CAppState& /*state*/, const std::string& /*url*/)
{
    return true;
}
