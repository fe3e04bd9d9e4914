#include "app/FilesArea.h"

#include "app/DownloadsView.h"
#include "app/FileList.h"
#include "app/UserSettings.h"

#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace
{

const QString kTabbedKey = QStringLiteral("Downloads/InTab");
const QString kHeightKey = QStringLiteral("Downloads/Height");
// The file list keeps most of the height above the downloads.
constexpr int kFilesHeight = 300;
constexpr int kDownloadsHeight = 120;

} // namespace

CFilesArea::CFilesArea(CFileList* files, CDownloadsView* downloads, QWidget* parent)
    : QWidget(parent), m_files(files), m_downloads(downloads)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(m_downloads, &CDownloadsView::placementRequested, this, &CFilesArea::SetTabbed);
    connect(m_downloads, &CDownloadsView::rowAdded, this, &CFilesArea::GrowDownloads);
    SetTabbed(UserSettings().value(kTabbedKey, false).toBool());
}

void CFilesArea::SetTabbed(bool tabbed)
{
    if (tabbed == IsTabbed() && (m_tabs != nullptr || m_splitter != nullptr))
        return;
    // The views move into the new holder before the old one goes, so they are never deleted.
    QWidget* old = m_tabs != nullptr ? static_cast<QWidget*>(m_tabs) : m_splitter;
    m_tabs = nullptr;
    m_splitter = nullptr;
    if (tabbed)
    {
        m_tabs = new QTabWidget(this);
        m_tabs->addTab(m_files, tr("Files"));
        m_tabs->addTab(m_downloads, tr("Downloads"));
        layout()->addWidget(m_tabs);
    }
    else
    {
        m_splitter = new QSplitter(Qt::Vertical, this);
        m_splitter->setChildrenCollapsible(false);
        m_splitter->addWidget(m_files);
        m_splitter->addWidget(m_downloads);
        m_splitter->setStretchFactor(0, 1);
        m_splitter->setStretchFactor(1, 0);
        const int height = UserSettings().value(kHeightKey, kDownloadsHeight).toInt();
        m_splitter->setSizes({kFilesHeight, height > 0 ? height : kDownloadsHeight});
        // What the user drags the downloads to is their height at the next start too.
        connect(m_splitter, &QSplitter::splitterMoved, this, &CFilesArea::SaveDownloadsHeight);
        layout()->addWidget(m_splitter);
    }
    delete old;
    m_downloads->SetTabbed(tabbed);
    QSettings settings = UserSettings();
    if (settings.value(kTabbedKey, false).toBool() != tabbed)
        settings.setValue(kTabbedKey, tabbed);
}

int CFilesArea::DownloadsHeight() const
{
    return m_splitter != nullptr ? m_splitter->sizes().value(1) : 0;
}

void CFilesArea::GrowDownloads()
{
    if (m_splitter == nullptr || !m_splitter->isVisible())
        return;
    const QList<int> sizes = m_splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int wanted = std::min(m_downloads->HeightForAllRows(), total / 2);
    if (wanted <= sizes.value(1))
        return;
    m_splitter->setSizes({total - wanted, wanted});
    SaveDownloadsHeight();
}

void CFilesArea::SaveDownloadsHeight() const
{
    const int height = DownloadsHeight();
    if (height <= 0)
        return;
    QSettings settings = UserSettings();
    if (settings.value(kHeightKey).toInt() != height)
        settings.setValue(kHeightKey, height);
}
