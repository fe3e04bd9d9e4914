#pragma once

#include <QWidget>

class CDownloadsView;
class CFileList;
class QSplitter;
class QTabWidget;

// The right side of the window: the found-file list and the downloads view, either as two
// tabs or one above the other. The user's choice is kept in the per-user settings.
class CFilesArea : public QWidget
{
    Q_OBJECT

public:
    CFilesArea(CFileList* files, CDownloadsView* downloads, QWidget* parent = nullptr);

    bool IsTabbed() const { return m_tabs != nullptr; }
    // Places the two views and remembers the choice.
    void SetTabbed(bool tabbed);
    // The downloads' height below the file list (0 in tabs).
    int DownloadsHeight() const;

private:
    // Gives the downloads the room for their rows, up to half the area; never takes any away.
    void GrowDownloads();
    void SaveDownloadsHeight() const;

    CFileList* m_files;
    CDownloadsView* m_downloads;
    QTabWidget* m_tabs = nullptr;
    QSplitter* m_splitter = nullptr;
};
