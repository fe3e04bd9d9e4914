#include "app/AddSite.h"

#include "app/GuiSinkLock.h"
#include "core/SiteSink.h"

#include <QObject>

bool LockTreeServingInsertions(CSiteSink& tree)
{
    // A browse thread may hold the tree's lock while it waits for this thread to insert its
    // node: serve those insertions while waiting, or the new site would get no node. Only
    // those: a prompt or message box must not open in the middle of this command.
    CGuiSinkLock lock(tree, dynamic_cast<QObject*>(tree.Target()));
    if (!lock.OwnsLock())
        return false;
    lock.Keep();
    return true;
}

void AddAndBrowseSite(CTrawlerCore& core, const std::string& siteText, std::int32_t modeIndex)
{
    StartSiteBrowse(core, siteText, modeIndex, LockTreeServingInsertions);
}
