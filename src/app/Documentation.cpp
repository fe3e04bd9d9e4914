#include "app/Documentation.h"

#include "app/AppMessages.h"
#include "app/BackgroundTask.h"
#include "app/MakerSite.h"
#include "net/Transfer.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "url/Url.h"

bool ProbeDocumentationPage(CEngine& engine, const std::string& url,
                            const std::atomic<bool>* cancel)
{
    const CTransferContext* context = engine.TransferContext();
    if (context == nullptr)
        return false;
    CUrl page(url);
    CTransfer transfer(*context, cancel);
    const bool reached = transfer.OpenWithLogin(page, true);
    transfer.Close();
    return reached;
}

void OpenDocumentationPage(QWidget* owner, CEngine& engine, const char* page)
{
    const std::string url = DocumentationUrl(page);
    bool reached = false;
    const bool finished =
        RunInBackground(owner, QStringLiteral("Looking for the documentation..."), 0,
                        [&](CTaskControl& control)
                        { reached = ProbeDocumentationPage(engine, url, &control.cancel); });
    if (!finished)
        return;
    if (reached)
        engine.Prompts().OpenWithShell(url);
    else
        engine.Prompts().ShowMessageAs(CUserPrompts::EKind::Warning, kAppName, kDocsOfflineMessage);
}
