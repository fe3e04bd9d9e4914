#include "app/Upgrade.h"

#include "app/BackgroundTask.h"
#include "app/Documentation.h"
#include "app/MakerSite.h"
#include "app/UpgradeDlg.h"
#include "net/Transfer.h"
#include "session/Engine.h"
#include "url/Url.h"

#include <cstdint>

namespace
{

// The marker holds one URL; anything longer is not a marker.
constexpr std::size_t kMaxMarkerBytes = 4096;

// The marker may be published with a line end after the URL.
std::string TrimBlanks(const std::string& text)
{
    const char* const blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

std::string UpgradeCheckUrl()
{
    return DocumentationUrl(kUpgradeMarker);
}

bool IsTrustedInstallerUrl(const std::string& url)
{
    for (const char c : url)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F)
            return false;
    const CUrl installer(url);
    const CUrl maker(MakerSiteBase());
    const bool web =
        installer.m_serviceType == kServiceHttp || installer.m_serviceType == kServiceHttps;
    return web && !installer.Host().empty() && installer.Host().size() == maker.Host().size() &&
           FindNoCase(installer.Host(), maker.Host()) == 0;
}

std::string FetchInstallerUrl(CEngine& engine, const std::atomic<bool>* cancel)
{
    const CTransferContext* context = engine.TransferContext();
    if (context == nullptr)
        return {};
    CUrl marker(UpgradeCheckUrl());
    CTransfer transfer(*context, cancel);
    if (!transfer.OpenWithLogin(marker, false) || transfer.Status() != 200)
        return {};
    std::string body;
    char block[1024];
    for (std::int64_t count = 0; (count = transfer.Read(block, sizeof block)) > 0;)
    {
        body.append(block, static_cast<std::size_t>(count));
        if (body.size() > kMaxMarkerBytes)
            return {};
    }
    if (transfer.WasCancelled())
        return {};
    std::string url = TrimBlanks(body);
    return IsTrustedInstallerUrl(url) ? url : std::string();
}

bool CheckForUpgrade(QWidget* owner, CEngine& engine)
{
    // On a thread of its own: a maker site that does not answer must not freeze the window.
    bool found = false;
    const bool finished =
        RunInBackground(owner, QStringLiteral("Checking for a newer version..."), 0,
                        [&](CTaskControl& control)
                        { found = !FetchInstallerUrl(engine, &control.cancel).empty(); });
    if (!finished || !found)
        return false;
    CUpgradeDlg offer(engine, owner);
    offer.exec();
    return true;
}

std::string UpgradeTargetPath(const std::string& downloadFolder, const std::string& fileName)
{
    return downloadFolder + fileName;
}
