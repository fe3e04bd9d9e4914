#include "app/AddSite.h"

#include "app/AppMessages.h"
#include "app/AppState.h"
#include "app/CoreSeams.h"
#include "platform/FileError.h"
#include "settings/ModeData.h"
#include "url/Url.h"

#include <memory>

void AddAndBrowseSite(CAppState& state, const std::string& siteText, std::int32_t modeIndex)
{
    auto record = std::make_unique<CUrl>(siteText, &state.m_histories.m_urlHistory);
    bool storeOwnsRecord = false;
    state.m_sites.AddLocked(*record, &storeOwnsRecord);
    // Once the store has adopted the record it is no longer ours to destroy.
    CUrl* raw = storeOwnsRecord ? record.release() : record.get();

    std::unique_ptr<CModeData> mode;
    try
    {
        mode = GetMode(modeIndex, state.m_options);
    }
    catch (const CFileError& error)
    {
        ReportFileError(state, error);
        return;
    }
    if (!storeOwnsRecord)
        raw = record.release();
    StartBrowse(state, raw, storeOwnsRecord, std::move(mode));
}
