#include "app/MiscPage.h"

#include "app/ExchangeFields.h"
#include "download/TrawlerCore.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace
{

QString BrowseForFolder(QWidget* owner, const QString& title)
{
    return QFileDialog::getExistingDirectory(
        owner, title, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
        QFileDialog::ShowDirsOnly);
}

} // namespace

QString DownloadDirFromFolder(const QString& folder)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

CMiscPage::CMiscPage(CTrawlerCore& core, QWidget* parent)
    : COptionPage(core, QStringLiteral("Misc"), parent), m_chooseFolder(BrowseForFolder)
{
}

void CMiscPage::Create()
{
    const COptions& options = m_core.m_options;

    m_historyDepth = new QLineEdit(this);
    m_historyDepth->setObjectName(QStringLiteral("historyDepth"));
    m_historyDepth->setMaximumWidth(
        m_historyDepth->fontMetrics().horizontalAdvance(QStringLiteral("00000000000")));
    m_askSite = new QCheckBox(QStringLiteral("Ask for &Site at start up"), this);
    m_passwordLogins = new QCheckBox(QStringLiteral("&Enable Password Logins"), this);
    m_autoDownload = new QCheckBox(QStringLiteral("&Automatically Download Files"), this);
    m_askSite->setObjectName(QStringLiteral("askSite"));
    m_passwordLogins->setObjectName(QStringLiteral("passwordLogins"));
    m_autoDownload->setObjectName(QStringLiteral("autoDownload"));
    m_downloadDir = new QLineEdit(this);
    m_downloadDir->setObjectName(QStringLiteral("downloadDir"));
    m_downloadDir->setReadOnly(true);
    auto* specify = new QPushButton(QStringLiteral("S&pecify..."), this);
    specify->setObjectName(QStringLiteral("specify"));
    specify->setAutoDefault(false);
    connect(specify, &QPushButton::clicked, this, &CMiscPage::ChooseDownloadDir);

    auto* depth = new QFormLayout;
    depth->addRow(QStringLiteral("&Entry History Depth:"), m_historyDepth);
    auto* directory = new QHBoxLayout;
    directory->addWidget(m_downloadDir, 1);
    directory->addWidget(specify);
    auto* directoryForm = new QFormLayout;
    directoryForm->addRow(QStringLiteral("Download Directory:"), directory);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(depth);
    layout->addWidget(m_askSite);
    layout->addWidget(m_passwordLogins);
    layout->addWidget(m_autoDownload);
    layout->addLayout(directoryForm);
    layout->addStretch();

    m_historyDepth->setText(QString::number(options.m_entryHistoryDepth));
    m_askSite->setChecked(options.m_askSiteAtStartup);
    m_passwordLogins->setChecked(options.m_passwordLogins);
    m_autoDownload->setChecked(options.m_autoDownload);
    m_downloadDir->setText(QString::fromStdString(options.m_downloadDir));
}

bool CMiscPage::OnKillActive()
{
    std::uint32_t depth = 0;
    if (!ExchangeUnsigned(m_core, m_historyDepth, depth))
        return false;
    COptions& options = m_core.m_options;
    options.m_entryHistoryDepth = depth;
    options.m_askSiteAtStartup = m_askSite->isChecked();
    options.m_passwordLogins = m_passwordLogins->isChecked();
    options.m_autoDownload = m_autoDownload->isChecked();
    options.m_downloadDir = m_downloadDir->text().toStdString();
    return true;
}

void CMiscPage::ChooseDownloadDir()
{
    // The browser belongs to the main window, above the sheet.
    QWidget* sheet = window();
    QWidget* owner = sheet->parentWidget() != nullptr ? sheet->parentWidget() : sheet;
    const QString folder =
        m_chooseFolder(owner, QStringLiteral("Select destination for downloaded files"));
    if (folder.isEmpty())
        return;
    const QString directory = DownloadDirFromFolder(folder);
    const std::size_t length = directory.toStdString().size();
    if (length > kMaxDownloadDirLength)
    {
        ShowAppMessage(m_core,
                       QStringLiteral("The path of the folder you chose is too long (%1 "
                                      "characters). The download directory may have at most %2 "
                                      "characters; please choose a folder with a shorter path.")
                           .arg(length)
                           .arg(kMaxDownloadDirLength));
        return;
    }
    m_downloadDir->setText(directory);
}
