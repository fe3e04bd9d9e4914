// Building the main window: placement, actions, menus, toolbar, status bar and the two panes.
#include "app/MainFrame.h"

#include "app/ActivityBar.h"
#include "app/AppMessages.h"
#include "app/AppResources.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/DownloadsView.h"
#include "app/ElidedLabel.h"
#include "app/EmptyHint.h"
#include "app/FileList.h"
#include "app/FilesArea.h"
#include "app/FrameMessageQueue.h"
#include "app/ScreenPlacement.h"
#include "app/StatsDlg.h"
#include "app/TrawlerDoc.h"
#include "app/UrlList.h"
#include "app/UserSettings.h"
#include "platform/FileError.h"
#include "session/Engine.h"
#include "settings/ModeData.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace
{

// The splitter's initial width of the file list pane.
constexpr int kFilePaneWidth = 200;
// Without a stored placement the window takes this size.
constexpr QSize kFallbackSize(800, 600);
// Worker counts change without a message of their own; this periodic look catches them, as an
// idle update would.
constexpr int kIdleUpdateMs = 500;

// The options file has no room for them: the bars' visibility lives in the user settings.
const QString kToolbarShownKey = QStringLiteral("View/Toolbar");
const QString kStatusBarShownKey = QStringLiteral("View/StatusBar");

QString MenuText(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

CMainFrame::CMainFrame(CEngine& engine, CTrawlerDoc& doc, bool headless, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_doc(doc), m_headless(headless)
{
    InitAppResources();
    setWindowTitle(QString::fromUtf8(kAppName));
    setWindowIcon(ApplicationIcon());
    ApplyStoredPlacement();

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateClient();
    RestoreBarVisibility();

    m_commandUpdate = new QTimer(this);
    m_commandUpdate->setSingleShot(true);
    m_commandUpdate->setInterval(0);
    connect(m_commandUpdate, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    m_idleUpdate = new QTimer(this);
    m_idleUpdate->setInterval(kIdleUpdateMs);
    connect(m_idleUpdate, &QTimer::timeout, this, &CMainFrame::OnIdle);
    m_idleUpdate->start();

    m_messages =
        new CFrameMessageQueue([this](CFrameMessage& message) { HandleMessage(message); }, this);
    // Pages and files go to their views on the engine's thread, as it lists them: the views
    // queue them for this thread in that order.
    m_messages->SetRoutes([this](const CPageAddedEvent& page)
                          { m_pSiteView->InsertNode(page.parentUrl, page.url, page.visited); },
                          [this](const CFileFoundEvent& file)
                          { m_pFileView->InsertItem(file.url, file.sizeText); });
    m_engine.SetObserver(m_messages);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame()
{
    // No event reaches this window once the observer is gone (a login prompt still waiting
    // ends as Cancel); the observer goes before the views.
    m_engine.SetObserver(nullptr);
    m_doc.RemoveView(m_pSiteView);
    m_doc.RemoveView(m_pFileView);
}

void CMainFrame::ApplyStoredPlacement()
{
    const std::shared_ptr<const COptions> published = m_engine.Options();
    const COptions& options = *published;
    if (options.m_windowWidth > 0 && options.m_windowHeight > 0)
        setGeometry(PlaceOnScreens(QRect(options.m_windowLeft, options.m_windowTop,
                                         options.m_windowWidth, options.m_windowHeight)));
    else
        resize(kFallbackSize);
}

void CMainFrame::RestoreBarVisibility()
{
    QSettings settings = UserSettings();
    m_wndToolBar->setHidden(!settings.value(kToolbarShownKey, true).toBool());
    statusBar()->setHidden(!settings.value(kStatusBarShownKey, true).toBool());
}

void CMainFrame::StoreBarVisibility() const
{
    QSettings settings = UserSettings();
    settings.setValue(kToolbarShownKey, !m_wndToolBar->isHidden());
    settings.setValue(kStatusBarShownKey, !statusBar()->isHidden());
}

void CMainFrame::CreateActions()
{
    for (const CCommandInfo& command : CommandTable())
    {
        auto* action = new QAction(this);
        const int id = command.id;
        if (command.tooltip != nullptr)
        {
            action->setText(MenuText(command.tooltip));
            action->setToolTip(MenuText(command.tooltip));
        }
        action->setStatusTip(MenuText(command.prompt));
        if (command.icon != nullptr)
            action->setIcon(ToolbarIcon(command.icon));
        action->setCheckable(command.checkable);
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        // Added to the window so that its key works even when no menu shows it.
        addAction(action);
        m_actions.emplace(id, action);
    }
    for (const CAccelerator& accelerator : Accelerators())
    {
        QAction* action = Action(accelerator.id);
        QList<QKeySequence> keys = action->shortcuts();
        keys.append(QKeySequence(QString::fromUtf8(accelerator.key)));
        action->setShortcuts(keys);
    }
}

void CMainFrame::CreateMenus()
{
    for (const CMenuInfo& menuInfo : MainMenu())
    {
        QMenu* menu = menuBar()->addMenu(MenuText(menuInfo.title));
        for (const CMenuItem& item : menuInfo.items)
        {
            QAction* action = Action(item.id);
            action->setText(MenuText(item.text));
            menu->addAction(action);
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
}

void CMainFrame::CreateToolBar()
{
    m_wndToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->setIconSize(QSize(24, 24));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const int id : ToolbarLayout())
    {
        if (id == kToolbarSeparator)
            m_wndToolBar->addSeparator();
        else
            m_wndToolBar->addAction(Action(id));
    }
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    const QFontMetrics metrics = bar->fontMetrics();
    // Room for the label's frame around the measured text.
    constexpr int kPadding = 8;

    m_statusPanes[0] = new CElidedLabel(QString::fromUtf8(kIdlePrompt), bar);
    bar->addWidget(m_statusPanes[0], 1);

    m_activityBar = new CActivityBar(bar);
    m_activityBar->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("99999999")) + 4);
    bar->addPermanentWidget(m_activityBar);

    m_counters = new QLabel(bar);
    m_counters->setObjectName(QStringLiteral("counters"));
    m_counters->setContentsMargins(kPadding / 2, 0, kPadding / 2, 0);
    bar->addPermanentWidget(m_counters);
    UpdateCounters();
}

void CMainFrame::CreateClient()
{
    UpdateModeMenu();

    const std::shared_ptr<const COptions> published = m_engine.Options();
    const COptions& options = *published;
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_wndSplitter->setChildrenCollapsible(false);
    m_pSiteView = new CUrlList(m_engine, m_wndSplitter);
    m_pFileView = new CFileList(m_engine);
    m_downloadsView = new CDownloadsView(m_engine);
    m_filesArea = new CFilesArea(m_pFileView, m_downloadsView, m_wndSplitter);
    m_wndSplitter->addWidget(m_pSiteView);
    m_wndSplitter->addWidget(m_filesArea);
    // The tree keeps its width when the window is resized; the list takes the rest.
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({options.m_treeWidth, kFilePaneWidth});
    setCentralWidget(m_wndSplitter);

    m_doc.AddView(m_pSiteView);
    m_doc.AddView(m_pFileView);
    m_pSiteView->SetImageStrip(TreeImageStrip());
    new CEmptyHint(m_pSiteView, QStringLiteral("No sites yet.\nSite > Add... (Ins) searches one."));
    new CEmptyHint(
        m_pFileView,
        QStringLiteral("The files found on the pages read are listed here.\nDouble-click "
                       "one, or press Enter, to download it."));
    m_pFileView->setColumnWidth(CFileList::kFilesColumn, options.m_filesColumnWidth);
    m_pFileView->setColumnWidth(CFileList::kSizeColumn, options.m_sizeColumnWidth);

    connect(m_pSiteView, &CUrlList::activated, this, [this] { SetActivePane(kTreePane); });
    connect(m_pFileView, &CFileList::activated, this, [this] { SetActivePane(kFilePane); });
    for (QTreeWidget* view :
         {static_cast<QTreeWidget*>(m_pSiteView), static_cast<QTreeWidget*>(m_pFileView)})
    {
        connect(view, &QTreeWidget::itemSelectionChanged, this, &CMainFrame::RequestCommandUpdate);
        connect(view->model(), &QAbstractItemModel::rowsInserted, this,
                &CMainFrame::RequestCommandUpdate);
        connect(view->model(), &QAbstractItemModel::rowsRemoved, this,
                &CMainFrame::RequestCommandUpdate);
    }
    connect(m_pSiteView, &QTreeWidget::itemDoubleClicked, this,
            [this] { ExecuteCommand(ID_EXPLORE); });
    connect(m_pFileView, &QTreeWidget::itemDoubleClicked, this,
            [this] { ExecuteCommand(ID_DOWNLOAD_SELECTED); });
    connect(m_pFileView, &CFileList::downloadRequested, this,
            [this] { ExecuteCommand(ID_DOWNLOAD_SELECTED); });
    connect(m_pSiteView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowTreePopup(m_pSiteView->viewport()->mapToGlobal(at)); });
    connect(m_pFileView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowFilePopup(m_pFileView->viewport()->mapToGlobal(at)); });
}

void CMainFrame::UpdateModeMenu()
{
    const int modeCommands[kModeCount] = {ID_MODE1, ID_MODE2, ID_MODE3};
    for (int mode = 0; mode < kModeCount; ++mode)
    {
        try
        {
            Action(modeCommands[mode])
                ->setText(QString::fromStdString(GetModeName(mode, *m_engine.Options())));
        }
        catch (const CFileError&)
        {
            // The built-in mode could not be written: the item keeps its name.
        }
    }
}

QAction* CMainFrame::Action(int id) const
{
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

QWidget* CMainFrame::StatsWindow() const
{
    return m_pStatsDlg;
}

QString CMainFrame::StatusPaneText(int pane) const
{
    switch (pane)
    {
    case 0:
        return m_statusPanes[0]->text();
    case 2:
        return QString::number(m_runningCrawls);
    case 3:
        return QString::number(m_pendingDownloads);
    default:
        return {};
    }
}

QString CMainFrame::CountersText() const
{
    return m_counters->text();
}

void CMainFrame::UpdateCounters()
{
    if (m_counters == nullptr)
        return;
    const QString text = QStringLiteral("Pages %1 · Files %2 · Crawls %3 · Downloads %4")
                             .arg(m_engine.Statistics().browsedSites)
                             .arg(m_pFileView != nullptr ? m_pFileView->topLevelItemCount() : 0)
                             .arg(m_runningCrawls)
                             .arg(m_pendingDownloads);
    if (m_counters->text() != text)
        m_counters->setText(text);
}

void CMainFrame::SetActivePane(int pane)
{
    if (m_activePane == pane)
        return;
    m_activePane = pane;
    RequestCommandUpdate();
}

void CMainFrame::OnIdle()
{
    UpdateCommandUI();
    CloseWhenWorkIsDone();
}

void CMainFrame::CloseWhenWorkIsDone()
{
    // The last worker to end closes the window. This catches the runs where none was left to
    // do it: no worker was started, or one ended just before the flag was set.
    if (!m_closing && m_engine.IsWorkDone())
        close();
}

void CMainFrame::RequestCommandUpdate()
{
    if (!m_commandUpdate->isActive())
        m_commandUpdate->start();
}

QMenu* CMainFrame::BuildPopup(bool forTree)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const CMenuItem& item : forTree ? SitePopupMenu() : FilePopupMenu())
    {
        const int id = item.id;
        QString text = MenuText(item.text);
        if (forTree && (id == ID_MODE1 || id == ID_MODE2 || id == ID_MODE3))
        {
            // The tree's pop-up shows the current mode names each time it opens.
            const int mode = id == ID_MODE1 ? 0 : id == ID_MODE2 ? 1 : 2;
            try
            {
                text = QString::fromStdString(GetModeName(mode, *m_engine.Options()));
            }
            catch (const CFileError&)
            {
            }
        }
        QAction* action = menu->addAction(text);
        action->setStatusTip(Action(id)->statusTip());
        action->setEnabled(IsCommandEnabled(id));
        // A pop-up's Why? explains its own pane's selection, whichever pane is active.
        if (id == ID_WHY)
            connect(action, &QAction::triggered, this,
                    [this, forTree] { OnWhy(forTree ? kTreePane : kFilePane); });
        else
            connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    }
    return menu;
}

void CMainFrame::ShowTreePopup(const QPoint& position)
{
    BuildPopup(true)->popup(position);
}

void CMainFrame::ShowFilePopup(const QPoint& position)
{
    // The list brings the main window forward before it shows its menu.
    if (isMinimized())
        showNormal();
    else if (isHidden() && !m_headless)
        show();
    raise();
    activateWindow();
    BuildPopup(false)->popup(position);
}
