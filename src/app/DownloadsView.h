#pragma once

#include "platform/EngineEvents.h"

#include <QTreeWidget>
#include <chrono>
#include <string>
#include <unordered_map>

class CEngine;
class QAction;

// One row per file queued in this run: name (the URL as its tooltip), state, size, progress,
// speed, time left and, for skipped and failed files, the reason as the log gives it. Rows
// follow the download-state events of the workers. Its own keys and context menu: Retry
// (failed and cancelled rows are queued again), Open, Open Containing Folder, Remove from View
// and Clear Finished; what the user clears of a failed or cancelled file goes from the disk too.
// User-interface thread only.
class CDownloadsView : public QTreeWidget
{
    Q_OBJECT

public:
    enum EColumn
    {
        kNameColumn,
        kStateColumn,
        kSizeColumn,
        kProgressColumn,
        kSpeedColumn,
        kTimeLeftColumn,
        kReasonColumn,
        kColumnCount,
    };

    explicit CDownloadsView(CEngine& engine, QWidget* parent = nullptr);

    // One report of a worker (or of the queue).
    void Apply(std::int64_t state, const CDownloadReport& report);

    QTreeWidgetItem* RowOf(const std::string& url) const;
    static std::string UrlOf(const QTreeWidgetItem* row);
    // A DOWNLOAD_ state.
    static std::int64_t StateOf(const QTreeWidgetItem* row);
    // The progress column's percentage; -1 while the length is not known.
    static int PercentOf(const QTreeWidgetItem* row);

    // The commands, on the selected rows where they apply.
    void RetrySelected();
    void OpenSelected();
    void OpenContainingFolder();
    void RemoveSelected();
    void ClearFinished();

    // The check mark of "Show in a Tab", as the window placed the view.
    void SetTabbed(bool tabbed);

signals:
    // The user asked for the view in a tab (true) or below the file list (false).
    void placementRequested(bool tabbed);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What speed and time left are worked out from.
    struct CSample
    {
        std::chrono::steady_clock::time_point time;
        std::uint64_t received = 0;
        double bytesPerSecond = 0;
    };

    QAction* AddAction(const QString& text, const QKeySequence& key,
                       void (CDownloadsView::*slot)());
    QTreeWidgetItem* MakeRow(const std::string& url);
    void ShowProgress(QTreeWidgetItem* row, const CDownloadReport& report);
    void Forget(QTreeWidgetItem* row);
    // Removes the rows (never a queued or running one), and a failed or cancelled file's
    // partial data with it.
    void RemoveRows(const QList<QTreeWidgetItem*>& rows);
    QList<QTreeWidgetItem*> Selected(std::initializer_list<std::int64_t> states) const;

    CEngine& m_engine;
    std::unordered_map<std::string, QTreeWidgetItem*> m_rows;
    std::unordered_map<std::string, CSample> m_samples;
    QList<QAction*> m_actions;
    QAction* m_tabbed = nullptr;
};
