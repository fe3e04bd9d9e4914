#pragma once

#include "app/OptionPage.h"

#include <functional>

class QCheckBox;
class QLineEdit;

// "Misc": the entry history depth, three switches, and the download directory, chosen with the
// folder browser. Stored whenever the page is left.
class CMiscPage : public COptionPage
{
    Q_OBJECT

public:
    // Asks the user for a folder: an absolute path, or an empty text when cancelled.
    using CFolderChooser = std::function<QString(QWidget* owner, const QString& title)>;

    explicit CMiscPage(CTrawlerCore& core, QWidget* parent = nullptr);

    bool OnKillActive() override;

    // "S&pecify...": the chosen folder, ending with "/", goes into the directory edit; a path
    // too long for the download directory is refused with a message.
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
    QLineEdit* m_downloadDir = nullptr;
    CFolderChooser m_chooseFolder;
};

// Longest download directory, its trailing "/" included: it must fit 260 bytes with the
// terminator wherever it is received.
inline constexpr std::size_t kMaxDownloadDirLength = 259;

// The download directory for a folder that the user picked: the path ending with "/".
QString DownloadDirFromFolder(const QString& folder);
