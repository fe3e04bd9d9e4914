#pragma once

#include "app/DownloadsModel.h"
#include "app/TransferSpeed.h"
#include "platform/EngineEvents.h"

#include <QTreeView>
#include <string>
#include <utility>
#include <vector>

class CEngine;
class QAction;

// One row per file queued in this run: name (decoded; the URL as its tooltip), state, size,
// progress, speed, time left, for skipped and failed files the reason as the log gives it, and
// the address. Rows follow the download-state events of the workers, sorted by the column the
// user clicks (at first in the order queued). Its own keys and context menu: Retry (failed and
// cancelled rows are queued again), Open, Open Containing Folder, Remove from View, Clear
// Finished and Copy Address; what the user clears of a failed or cancelled file goes from the
// disk too. User-interface thread only.
class CDownloadsView : public QTreeView
{
    Q_OBJECT

public:
    // The model's columns, by the view's name too.
    using enum CDownloadsModel::EColumn;

    explicit CDownloadsView(CEngine& engine, QWidget* parent = nullptr);

    // One report of a worker (or of the queue), received now or at the given time.
    void Apply(std::int64_t state, const CDownloadReport& report);
    void Apply(std::int64_t state, const CDownloadReport& report,
               CTransferSpeed::Clock::time_point now);

    // Rows are counted top to bottom as shown; -1 when the URL has none.
    int RowOf(const std::string& url) const;
    int Count() const;
    std::string UrlAt(int row) const;
    // A DOWNLOAD_ state.
    std::int64_t StateAt(int row) const;
    // The progress column's percentage; -1 while the length is not known.
    int PercentAt(int row) const;
    QString TextAt(int row, int column) const;
    QString ToolTipAt(int row, int column) const;
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& rows);
    // The height that shows every row (and the header) without scrolling.
    int HeightForAllRows() const;

    // The commands, on the selected rows where they apply.
    void RetrySelected();
    void OpenSelected();
    void OpenContainingFolder();
    void RemoveSelected();
    void ClearFinished();
    // Puts the selected rows' addresses on the clipboard, one a line.
    void CopyAddresses();

    // The check mark of "Show in a Tab", as the window placed the view.
    void SetTabbed(bool tabbed);

signals:
    // The user asked for the view in a tab (true) or below the file list (false).
    void placementRequested(bool tabbed);
    // A file was queued that had no row: the view would like the room to show it.
    void rowAdded();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QAction* AddAction(const QString& text, const QKeySequence& key,
                       void (CDownloadsView::*slot)());
    // Removes the rows (never a queued or running one), and a failed or cancelled file's
    // partial data with it.
    void RemoveRows(const std::vector<int>& rows);
    std::vector<int> Selected(std::initializer_list<std::int64_t> states) const;
    // Widths that fit the numbers in this font, so that every column shows also when the
    // screen is scaled.
    void FitColumns();
    void ShareTheRest();

    CEngine& m_engine;
    CDownloadsModel* m_model;
    QList<QAction*> m_actions;
    QAction* m_tabbed = nullptr;
    // The number columns and the widths that fit their texts.
    std::vector<std::pair<int, int>> m_numberWidths;
};
