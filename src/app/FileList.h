#pragma once

#include "app/DocView.h"

#include <QTreeView>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CEngine;
class CFileListModel;
class QMenu;

// The found-file list: "Files" (the URL), "Size" and "Name" (decoded, as a download saves it),
// sorted by any column the user clicks, at first in ascending order of the URLs, and kept so as
// files arrive. The engine's found files arrive from its threads.
class CFileList : public QTreeView, public CDocView
{
    Q_OBJECT

public:
    static constexpr int kFilesColumn = 0;
    static constexpr int kSizeColumn = 1;
    static constexpr int kNameColumn = 2;

    CFileList(CEngine& engine, QWidget* parent = nullptr);

    // Any thread, as the engine lists the file (under its lock). On the user-interface thread
    // the item goes in at once; another thread hands it over and returns at once, and the item
    // goes in when this thread next serves its events (or earlier, see ApplyPendingItems), in
    // the order of the calls.
    void InsertItem(const std::string& urlText, const std::string& sizeText);
    // Puts the items that other threads handed over into the list. Whatever reads or changes
    // the list for the user calls this first.
    void ApplyPendingItems();

    // User-interface thread only, below. Rows are counted top to bottom as shown.
    CFileListModel& Rows() const { return *m_model; }
    int Count() const;
    bool IsEmpty() const { return Count() == 0; }
    std::string UrlAt(int row) const;
    // What a cell shows, and its tooltip.
    QString TextAt(int row, int column) const;
    QString ToolTipAt(int row, int column) const;
    // The size text the row was given, as the engine made it.
    QString SizeTextAt(int row) const;
    // The first row with the URL; -1 when none has it.
    int RowOf(const std::string& url) const;
    // "512 bytes", "1.5 KB", "3.0 MB", "2.1 GB".
    static QString ReadableSize(qlonglong bytes);
    // Every URL in the list, top to bottom.
    std::vector<std::string> Urls() const;

    bool HasSelection() const;
    // The selected rows, top to bottom.
    std::vector<int> SelectedRows() const;
    std::vector<std::string> SelectedUrls() const;
    // Selects exactly these rows.
    void SelectRows(const std::vector<int>& rows);

    void OnUpdate(int hint, bool hasHintObject) override;
    // The list's own items for its context menu (Copy Address), put at the menu's top.
    void AddOwnActions(QMenu* menu);

    // The list's own commands; the main frame routes them here (FileListCommands.cpp).
    void DownloadSelected();
    void RemoveSelected();
    void SelectAll();
    void DetermineSize();
    void OpenSelected();
    void FindInList();
    void Export();
    // Puts the selected addresses on the clipboard, one a line.
    void CopyAddresses();

signals:
    // The user clicked into the list or gave it the focus: it is the active pane now.
    void activated();
    // Enter or Return in the list: the selected files are to be downloaded.
    void downloadRequested();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void InsertNow(std::vector<std::pair<std::string, std::string>> items);
    // The queued call: a turn's share of the items handed over.
    void ApplySomePendingItems();
    static constexpr std::size_t kItemsPerTurn = 20000;

    CEngine& m_engine;
    CFileListModel* m_model;
    std::mutex m_pendingMutex;
    // URL and size text of each item handed over.
    std::deque<std::pair<std::string, std::string>> m_pendingItems;
};
