#include "app/Documentation.h"

#include "app/AppMessages.h"
#include "app/BackgroundTask.h"
#include "app/MakerSite.h"
#include "app/OpenTarget.h"
#include "net/Transfer.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "url/Url.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

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

std::string LocalDocumentationPage(std::string_view page)
{
    QStringList folders;
    const QByteArray chosen = qgetenv("HARVESTOR_DOCS");
    if (!chosen.isNull())
        folders << QString::fromLocal8Bit(chosen);
    else
    {
        // Installed beside the program, else the source tree of a run from the build tree.
        folders << QCoreApplication::applicationDirPath() +
                       QStringLiteral("/../share/harvestor/site");
#ifdef HARVESTOR_SOURCE_DOCS
        folders << QStringLiteral(HARVESTOR_SOURCE_DOCS);
#endif
    }
    const QString relative = QString::fromLatin1(kDocsPath) +
                             QString::fromUtf8(page.data(), static_cast<qsizetype>(page.size()));
    for (const QString& folder : folders)
    {
        const QFileInfo file(folder + relative);
        if (!folder.isEmpty() && file.isFile())
            return file.canonicalFilePath().toStdString();
    }
    return {};
}

void OpenDocumentationPage(QWidget* owner, CEngine& engine, const char* page)
{
    // The pages ship with the program: no connection needed.
    if (const std::string local = LocalDocumentationPage(page); !local.empty())
    {
        OpenOrSay(engine.Prompts(), local);
        return;
    }
    const std::string url = DocumentationUrl(page);
    bool reached = false;
    const bool finished =
        RunInBackground(owner, QStringLiteral("Looking for the documentation..."), 0,
                        [&](CTaskControl& control)
                        { reached = ProbeDocumentationPage(engine, url, &control.cancel); });
    if (!finished)
        return;
    if (reached)
        OpenOrSay(engine.Prompts(), url);
    else
        engine.Prompts().ShowMessageAs(CUserPrompts::EKind::Warning, kAppName, kDocsOfflineMessage);
}
