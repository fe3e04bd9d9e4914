#include "app/AddSite.h"

#include "app/AppMessages.h"
#include "app/GuiSinkLock.h"
#include "crawl/BrowseEngine.h"
#include "download/TrawlerCore.h"
#include "platform/FileError.h"
#include "settings/ModeData.h"
#include "url/Url.h"

#include <QObject>
#include <memory>

void AddAndBrowseSite(CTrawlerCore& core, const std::string& siteText, std::int32_t modeIndex)
{
    auto record =
        std::make_unique<CUrl>(WithDefaultScheme(siteText), &core.m_histories.m_urlHistory);
    bool storeOwnsRecord = false;
    {
        // A browse thread may hold the tree's lock while it waits for this thread to insert its
        // node: serve those insertions while waiting, or the new site would get no node. Only
        // those: a prompt or message box must not open in the middle of this command.
        CGuiSinkLock lock(core.m_sites, dynamic_cast<QObject*>(core.m_sites.Target()));
        if (lock.OwnsLock())
            core.m_sites.AddHoldingLock(*record, &storeOwnsRecord);
    }
    // Once the store has adopted the record it is no longer ours to destroy; otherwise it goes
    // to the browse thread with the browse.
    CUrl* site = storeOwnsRecord ? record.release() : record.get();

    std::unique_ptr<CModeData> mode;
    try
    {
        mode = GetMode(modeIndex, core.m_options);
    }
    catch (const CFileError& error)
    {
        ReportFileError(core, error);
        return;
    }
    record.release();
    StartBrowse(core, site, std::move(mode));
}
