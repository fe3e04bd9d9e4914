#include "app/Upgrade.h"

#include "app/BackgroundTask.h"
#include "app/Documentation.h"
#include "app/MakerSite.h"
#include "app/UpgradeDlg.h"
#include "download/LocalName.h"
#include "download/TrawlerCore.h"

std::string UpgradeCheckUrl()
{
    return DocumentationUrl(kUpgradeMarker);
}

bool CheckForUpgrade(QWidget* owner, CTrawlerCore& core)
{
    // On a thread of its own: a maker site that does not answer must not freeze the window.
    const std::string url = UpgradeCheckUrl();
    bool found = false;
    const bool finished = RunInBackground(
        owner, QStringLiteral("Checking for a newer version..."), 0,
        [&](CTaskControl& control) { found = ProbeDocumentationPage(core, url, &control.cancel); });
    if (!finished || !found)
        return false;
    CUpgradeDlg offer(core, owner);
    offer.exec();
    return true;
}

std::string UpgradeTargetPath(const std::string& downloadDir, const std::string& fileName)
{
    return DownloadDirectoryPrefix(downloadDir) + fileName;
}
