#include "app/Upgrade.h"

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
    if (!ProbeDocumentationPage(core, UpgradeCheckUrl()))
        return false;
    CUpgradeDlg offer(core, owner);
    offer.exec();
    return true;
}

std::string UpgradeTargetPath(const std::string& downloadDir, const std::string& fileName)
{
    return DownloadDirectoryPrefix(downloadDir) + fileName;
}
