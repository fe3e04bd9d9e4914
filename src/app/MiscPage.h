#pragma once

#include "app/OptionPage.h"

#include <functional>

class QCheckBox;
class QLineEdit;

// "Misc": the entry history depth, five switches, and the download directory, chosen with the
// folder browser. Stored whenever the page is left.
class CMiscPage : public COptionPage
{
    Q_OBJECT

public:
    // Asks the user for a folder, starting at start: an absolute path, or an empty text when
    // cancelled.
    using CFolderChooser =
        std::function<QString(QWidget* owner, const QString& title, const QString& start)>;

    explicit CMiscPage(CEngine& engine, QWidget* parent = nullptr);

    bool OnKillActive() override;

    // "S&pecify...": the folder browser starts at the download directory shown (or the
    // nearest folder of it that exists); the chosen folder, ending with "/", goes into the
    // directory edit.
    void ChooseDownloadDir();
    // Replaces the folder browser (tests).
    void SetFolderChooser(CFolderChooser chooser) { m_chooseFolder = std::move(chooser); }

protected:
    void Create() override;

private:
    QLineEdit* m_historyDepth = nullptr;
    QCheckBox* m_askSite = nullptr;
    QCheckBox* m_passwordLogins = nullptr;
    QCheckBox* m_autoDownload = nullptr;
    QCheckBox* m_obeyRobots = nullptr;
    QCheckBox* m_readSitemap = nullptr;
    QLineEdit* m_downloadDir = nullptr;
    CFolderChooser m_chooseFolder;
};

// The download directory for a folder that the user picked: the path ending with "/".
QString DownloadDirFromFolder(const QString& folder);
