#include "app/UpgradeDlg.h"

#include "app/AppMessages.h"
#include "app/BackgroundTask.h"
#include "app/MainFrame.h"
#include "app/Upgrade.h"
#include "app/UpgradeProgressDlg.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "url/Url.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CUpgradeDlg::CUpgradeDlg(CEngine& engine, QWidget* parent) : QDialog(parent), m_engine(engine)
{
    setWindowTitle(QStringLiteral("Upgrade!"));
    auto* headline = new QLabel(QStringLiteral("A new version of Harvestor is available!"), this);
    auto* explanation = new QLabel(
        QStringLiteral("To download the new version, click the \"Upgrade Now\" button.  If you "
                       "would like to upgrade later, click the \"Don't Upgrade\" button."),
        this);
    explanation->setWordWrap(true);

    auto* upgrade = new QPushButton(QStringLiteral("&Upgrade Now!"), this);
    auto* decline = new QPushButton(QStringLiteral("&Don't Upgrade"), this);
    upgrade->setObjectName(QStringLiteral("upgradeNow"));
    decline->setObjectName(QStringLiteral("dontUpgrade"));
    upgrade->setDefault(true);
    decline->setAutoDefault(false);
    connect(upgrade, &QPushButton::clicked, this, &CUpgradeDlg::UpgradeNow);
    connect(decline, &QPushButton::clicked, this, &CUpgradeDlg::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(upgrade);
    buttons->addWidget(decline);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headline);
    layout->addWidget(explanation);
    layout->addLayout(buttons);
    setMinimumWidth(400);
}

void CUpgradeDlg::UpgradeNow()
{
    std::string installerUrl;
    RunInBackground(this, QStringLiteral("Asking for the new version..."), 0,
                    [&](CTaskControl& control)
                    {
                        std::string url = FetchInstallerUrl(m_engine, &control.cancel);
                        if (!control.cancel.load())
                            installerUrl = std::move(url);
                    });
    // Without a URL the offer stays; the user may try again or decline.
    if (installerUrl.empty())
        return;

    CUrl installer(installerUrl);
    CUpgradeProgressDlg download(m_engine, installer, this);
    if (download.exec() != QDialog::Accepted)
    {
        done(QDialog::Rejected);
        return;
    }
    // Closing the program only makes room for an installer that really started.
    if (!m_engine.Prompts().OpenWithShell(std::string(installer.LocalFileName())))
    {
        m_engine.Prompts().ShowMessageAs(CUserPrompts::EKind::Error, kAppName,
                                         "Failed to start the upgrade " +
                                             std::string(installer.LocalFileName()) +
                                             ".  Please start it yourself.");
        done(QDialog::Rejected);
        return;
    }
    done(QDialog::Accepted);
    // The main window closes once this has returned.
    if (auto* frame = qobject_cast<CMainFrame*>(parentWidget()))
        frame->Messages().OnEvent(CWorkDoneEvent{});
}
