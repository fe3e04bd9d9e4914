#include "app/MiscPage.h"

#include "app/ExchangeFields.h"
#include "session/Engine.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

// How many earlier entries the site and find fields offer.
constexpr CFieldRange kHistoryDepthRange = {"&Entry History Depth:", 1, 100};

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& start)
{
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}

// The download directory, or the nearest folder above it that exists (the default one does not
// before the first download), else the home folder.
QString ExistingFolderOf(const QString& directory)
{
    QDir folder(directory.isEmpty() ? QDir::homePath() : directory);
    while (!folder.exists() && !folder.isRoot())
    {
        const QString path = folder.absolutePath();
        folder.cdUp();
        // cdUp fails on a folder that does not exist: step up by the path instead.
        if (folder.absolutePath() == path)
            folder.setPath(QFileInfo(path).path());
    }
    return folder.exists() ? folder.absolutePath() : QDir::homePath();
}

} // namespace

QString DownloadDirFromFolder(const QString& folder)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

CMiscPage::CMiscPage(CEngine& engine, QWidget* parent)
    : COptionPage(engine, QStringLiteral("Misc"), parent), m_chooseFolder(BrowseForFolder)
{
}

void CMiscPage::Create()
{
    const COptions& options = Options();

    m_historyDepth = new QLineEdit(this);
    m_historyDepth->setObjectName(QStringLiteral("historyDepth"));
    AcceptNumbersOnly(m_historyDepth);
    m_historyDepth->setMaximumWidth(
        m_historyDepth->fontMetrics().horizontalAdvance(QStringLiteral("00000000000")));
    m_askSite = new QCheckBox(QStringLiteral("Ask for &Site at start up"), this);
    m_passwordLogins = new QCheckBox(QStringLiteral("&Enable Password Logins"), this);
    m_autoDownload = new QCheckBox(QStringLiteral("&Automatically Download Files"), this);
    m_askSite->setObjectName(QStringLiteral("askSite"));
    m_passwordLogins->setObjectName(QStringLiteral("passwordLogins"));
    m_autoDownload->setObjectName(QStringLiteral("autoDownload"));
    m_obeyRobots = new QCheckBox(QStringLiteral("Obey &robots.txt"), this);
    m_readSitemap = new QCheckBox(QStringLiteral("Read the site's site&map"), this);
    m_obeyRobots->setObjectName(QStringLiteral("obeyRobots"));
    m_readSitemap->setObjectName(QStringLiteral("readSitemap"));
    m_downloadDir = new QLineEdit(this);
    m_downloadDir->setObjectName(QStringLiteral("downloadDir"));
    m_downloadDir->setReadOnly(true);
    auto* specify = new QPushButton(QStringLiteral("S&pecify..."), this);
    specify->setObjectName(QStringLiteral("specify"));
    specify->setAutoDefault(false);
    connect(specify, &QPushButton::clicked, this, &CMiscPage::ChooseDownloadDir);

    auto* depth = new QFormLayout;
    depth->addRow(QString::fromLatin1(kHistoryDepthRange.name), m_historyDepth);
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
    layout->addWidget(m_obeyRobots);
    layout->addWidget(m_readSitemap);
    layout->addLayout(directoryForm);
    layout->addStretch();

    m_historyDepth->setText(QString::number(options.m_entryHistoryDepth));
    m_askSite->setChecked(options.m_askSiteAtStartup);
    m_passwordLogins->setChecked(options.m_passwordLogins);
    m_autoDownload->setChecked(options.m_autoDownload);
    m_obeyRobots->setChecked(options.m_obeyRobots);
    m_readSitemap->setChecked(options.m_readSitemap);
    m_downloadDir->setText(QString::fromStdString(options.m_downloadDir));
}

bool CMiscPage::OnKillActive()
{
    std::uint32_t depth = 0;
    if (!ExchangeUnsigned(m_engine.Prompts(), m_historyDepth, depth, &kHistoryDepthRange))
        return false;
    COptions& options = Options();
    options.m_entryHistoryDepth = depth;
    options.m_askSiteAtStartup = m_askSite->isChecked();
    options.m_passwordLogins = m_passwordLogins->isChecked();
    options.m_autoDownload = m_autoDownload->isChecked();
    options.m_obeyRobots = m_obeyRobots->isChecked();
    options.m_readSitemap = m_readSitemap->isChecked();
    options.m_downloadDir = m_downloadDir->text().toStdString();
    return true;
}

void CMiscPage::ChooseDownloadDir()
{
    // The browser belongs to the main window, above the sheet.
    QWidget* sheet = window();
    QWidget* owner = sheet->parentWidget() != nullptr ? sheet->parentWidget() : sheet;
    const QString folder =
        m_chooseFolder(owner, QStringLiteral("Select destination for downloaded files"),
                       ExistingFolderOf(m_downloadDir->text()));
    if (folder.isEmpty())
        return;
    m_downloadDir->setText(DownloadDirFromFolder(folder));
}
