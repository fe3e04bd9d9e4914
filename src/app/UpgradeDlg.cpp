#include "app/UpgradeDlg.h"

#include "app/AppMessages.h"
#include "app/BackgroundTask.h"
#include "app/Upgrade.h"
#include "app/UpgradeProgressDlg.h"
#include "core/TrawlerCore.h"
#include "url/Url.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CUpgradeDlg::CUpgradeDlg(CTrawlerCore& core, QWidget* parent) : QDialog(parent), m_core(core)
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
                        std::string url = FetchInstallerUrl(m_core, &control.cancel);
                        if (!control.cancel.load())
                            installerUrl = std::move(url);
                    });
    // Without a URL the offer stays; the user may try again or decline.
    if (installerUrl.empty())
        return;

    CUrl installer(installerUrl);
    CUpgradeProgressDlg download(m_core, installer, this);
    if (download.exec() != QDialog::Accepted)
    {
        done(QDialog::Rejected);
        return;
    }
    // Closing the program only makes room for an installer that really started.
    if (!m_core.Prompts().OpenWithShell(std::string(installer.LocalFileName())))
    {
        m_core.Prompts().ShowMessageAs(CUserPrompts::EKind::Error, kAppName,
                                       "Failed to start the upgrade " +
                                           std::string(installer.LocalFileName()) +
                                           ".  Please start it yourself.");
        done(QDialog::Rejected);
        return;
    }
    done(QDialog::Accepted);
    m_core.m_events.Post(CWorkDoneEvent{});
}
