#pragma once

#include "app/FrameMessageQueue.h"

#include <QMainWindow>
#include <map>

class CActivityBar;
class CElidedLabel;
class COptions;
class CDownloadsView;
class CFilesArea;
class CFileList;
class CStatsDlg;
class CTrawlerDoc;
class CUrlList;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTimer;
class QToolBar;
class CEngine;

// The program's one top-level window: menus, toolbar, status bar, and a splitter with the site
// tree (left) and the found-file list with the downloads view (right). It decides which commands
// are enabled, receives every event that the engine posts, and on closing stops the workers and
// saves the layout.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kNoPane = -1;
    static constexpr int kTreePane = 0;
    static constexpr int kFilePane = 1;

    // Builds the window from the options (placement, tree width, column widths) and installs
    // itself as the observer of the engine's events. headless: never shows a window of its own.
    CMainFrame(CEngine& engine, CTrawlerDoc& doc, bool headless, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Commands by identifier.
    void ExecuteCommand(int id);
    bool IsCommandEnabled(int id) const;
    bool IsCommandChecked(int id) const;
    // Brings every action's enabled state and check mark up to date.
    void UpdateCommandUI();
    // The main menu's and the toolbar's action of the command, or nullptr.
    QAction* Action(int id) const;

    // One engine event or window message, in posting order (user-interface thread).
    void HandleMessage(CFrameMessage& message);
    // Handles every message that waits now, without waiting for the queued wake-up.
    void DeliverPendingMessages();
    // The window's observer of the engine: the window's own code posts its events here too.
    CFrameMessageQueue& Messages() const { return *m_messages; }

    // Gives the three mode items of the "&Site" menu the names of the modes.
    void UpdateModeMenu();

    CUrlList* SiteView() const { return m_pSiteView; }
    CFileList* FileView() const { return m_pFileView; }
    CDownloadsView* DownloadsView() const { return m_downloadsView; }
    CFilesArea* FilesArea() const { return m_filesArea; }
    CActivityBar* ActivityBar() const { return m_activityBar; }
    QSplitter* Splitter() const { return m_wndSplitter; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QWidget* StatsWindow() const;
    // Pane 0: the last status text; 2: the running crawls; 3: the files waiting for or in
    // download.
    QString StatusPaneText(int pane) const;
    // The labelled counters of the status bar: "Pages 120 · Files 14 · Crawls 1 · Downloads 2".
    QString CountersText() const;
    int ActivePane() const { return m_activePane; }
    void SetActivePane(int pane);
    // True from the start of the shut-down steps on.
    bool IsClosing() const { return m_closing; }
    // Closes as the program ends: no question about running downloads.
    void CloseWithoutAsking();

signals:
    // The window has gone through its shut-down steps; the message loop may end.
    void frameDestroyed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateClient();
    void ApplyStoredPlacement();
    void RestoreBarVisibility();
    void StoreBarVisibility() const;
    QMenu* BuildPopup(bool forTree);
    void ShowTreePopup(const QPoint& position);
    void ShowFilePopup(const QPoint& position);
    void RequestCommandUpdate();
    void OnIdle();
    void UpdateCounters();
    void CloseWhenWorkIsDone();

    // Event and message handlers.
    void HandleEvent(CEngineEvent& event);
    void ShowStatusText(const std::string& text);
    void OnRunningBrowses(std::int32_t count);
    void OnDownloadsChanged();
    void OnPageState(const CPageStateEvent& page);
    void OnBrowseFinished(const CBrowseFinishedEvent& finished);
    // The title names the site being read and how far the crawl has come.
    void UpdateTitle();
    void OnLoginPrompt(CLoginRequest& request);
    void OnStatsClosed();

    // Command handlers.
    void OnRemove();
    void OnOptions();
    void OnStatistics();
    void OnViewDownloads();
    // Why? on the pane's selected node or file, or on a URL the user gives.
    void OnWhy(int pane);
    void OnDocumentation(const char* page);
    void OnAbout();
    void SwitchPane(int step);

    // Shut-down steps.
    // Writes the window's placement, tree width and column widths into options.
    void StoreLayoutInOptions(COptions& options) const;
    void WaitForWorkers();

    CEngine& m_engine;
    CTrawlerDoc& m_doc;
    bool m_headless;
    bool m_closing = false;
    // The user's close asks first while files download; the program's own does not.
    bool m_askBeforeClosing = true;
    // The layout of a window that was never on screen says nothing: it is not stored.
    bool m_everShown = false;

    QSplitter* m_wndSplitter = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    CUrlList* m_pSiteView = nullptr;
    CFileList* m_pFileView = nullptr;
    CDownloadsView* m_downloadsView = nullptr;
    CFilesArea* m_filesArea = nullptr;
    CStatsDlg* m_pStatsDlg = nullptr;
    CActivityBar* m_activityBar = nullptr;
    CElidedLabel* m_statusPanes[1] = {};
    QLabel* m_counters = nullptr;
    int m_runningCrawls = 0;
    // The site of the page read last (scheme and host), for the title.
    QString m_titleSite;
    std::uint32_t m_pendingDownloads = 0;
    CFrameMessageQueue* m_messages = nullptr;
    QTimer* m_commandUpdate = nullptr;
    QTimer* m_idleUpdate = nullptr;
    int m_activePane = kNoPane;

    std::map<int, QAction*> m_actions;
};
