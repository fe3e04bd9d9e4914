#include "app/Documentation.h"

#include "app/AppMessages.h"
#include "app/BackgroundTask.h"
#include "app/MakerSite.h"
#include "core/TrawlerCore.h"
#include "net/Transfer.h"
#include "platform/UserPrompts.h"
#include "url/Url.h"

bool ProbeDocumentationPage(CTrawlerCore& core, const std::string& url,
                            const std::atomic<bool>* cancel)
{
    if (!core.HasSession())
        return false;
    CUrl page(url);
    CTransfer transfer(core.TransferContext(), cancel);
    const bool reached = transfer.OpenWithLogin(page, true);
    transfer.Close();
    return reached;
}

void OpenDocumentationPage(QWidget* owner, CTrawlerCore& core, const char* page)
{
    const std::string url = DocumentationUrl(page);
    bool reached = false;
    const bool finished =
        RunInBackground(owner, QStringLiteral("Looking for the documentation..."), 0,
                        [&](CTaskControl& control)
                        { reached = ProbeDocumentationPage(core, url, &control.cancel); });
    if (!finished)
        return;
    if (reached)
        core.Prompts().OpenWithShell(url);
    else
        core.Prompts().ShowMessageAs(CUserPrompts::EKind::Warning, kAppName, kDocsOfflineMessage);
}
