#pragma once

#include "app/DocView.h"

#include <QTreeWidget>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CEngine;

// The found-file list: two columns, "Files" (the URL) and "Size", items always in ascending
// order of their URL. The engine's found files arrive from its threads.
class CFileList : public QTreeWidget, public CDocView
{
    Q_OBJECT

public:
    static constexpr int kFilesColumn = 0;
    static constexpr int kSizeColumn = 1;
    // The name a download would save the file under, as its URL gives it.
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

    // User-interface thread only, below.
    // The exact URL text of an item (the shown text may have replaced undecodable bytes).
    static std::string UrlOf(const QTreeWidgetItem* item);
    // Shows a size text of the engine (decimal bytes, "<Unknown>" or empty) in the Size column:
    // a byte count as KB, MB or GB, right-aligned, with the exact count as its tooltip.
    static void SetSizeText(QTreeWidgetItem* item, const std::string& sizeText);
    // The size text an item was given, as the engine made it.
    static QString SizeTextOf(const QTreeWidgetItem* item);
    // "512 bytes", "1.5 KB", "3.0 MB", "2.1 GB".
    static QString ReadableSize(qlonglong bytes);
    // Every URL in the list, top to bottom.
    std::vector<std::string> Urls() const;

    bool HasSelection() const { return !selectedItems().isEmpty(); }
    // The selected items, top to bottom.
    std::vector<QTreeWidgetItem*> SelectedItemsInOrder() const;
    bool IsEmpty() const { return topLevelItemCount() == 0; }

    void OnUpdate(int hint, bool hasHintObject) override;

    // The list's own commands; the main frame routes them here (FileListCommands.cpp).
    void DownloadSelected();
    void RemoveSelected();
    void SelectAll();
    void DetermineSize();
    void OpenSelected();
    void FindInList();
    void Export();

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
    void InsertOnGuiThread(const std::string& urlText, const std::string& sizeText);

    CEngine& m_engine;
    std::mutex m_pendingMutex;
    // URL and size text of each item handed over.
    std::vector<std::pair<std::string, std::string>> m_pendingItems;
};
