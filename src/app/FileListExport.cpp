// The file list's export: the dialog, then the file the user names (export.html or export.txt in
// the download folder unless changed), opened with the desktop afterwards.
#include "app/ExportDlg.h"
#include "app/FileList.h"
#include "app/MainFrame.h"
#include "app/MakerSite.h"
#include "app/OpenTarget.h"
#include "app/WaitCursor.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "settings/DataPaths.h"
#include "settings/FileExport.h"

#include <QFileDialog>
#include <filesystem>
#include <optional>
#include <system_error>

namespace
{

constexpr const char* kExportFailedCaption = "Error";
constexpr const char* kExportFailedMessage = "Failed to export data!";

// Asks where the export goes, offering its usual name in the download folder. Empty: cancelled.
std::string ChooseExportPath(QWidget* parent, const std::string& downloadFolder, bool asText)
{
    QFileDialog chooser(parent, QStringLiteral("Export File List"));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setNameFilter(asText ? QStringLiteral("Text files (*.txt)")
                                 : QStringLiteral("Web pages (*.html *.htm)"));
    chooser.setDefaultSuffix(asText ? QStringLiteral("txt") : QStringLiteral("html"));
    // The folder where the user's files go exists before anything is downloaded into it.
    std::error_code ignored;
    if (!downloadFolder.empty())
        std::filesystem::create_directories(downloadFolder, ignored);
    chooser.setDirectory(
        QString::fromStdString(downloadFolder.empty() ? CurrentDirectory() : downloadFolder));
    chooser.selectFile(QString::fromLatin1(asText ? kTextExportFile : kHtmlExportFile));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return {};
    return chooser.selectedFiles().front().toStdString();
}

} // namespace

void CFileList::Export()
{
    CExportDlg dialog(window());
    dialog.SetSelection(HasSelection() ? CExportDlg::kSelectedItems : CExportDlg::kAllItems);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool asText = dialog.Format() == CExportDlg::kTextFormat;
    const std::string path = ChooseExportPath(window(), m_engine.DownloadFolder(), asText);
    if (path.empty())
        return;
    // The wait cursor covers the writing, not the dialogs the user answers.
    std::optional<CWaitCursor> waitCursor(std::in_place);
    const bool selectedOnly = dialog.Selection() == CExportDlg::kSelectedItems;
    ApplyPendingItems();
    std::vector<std::string> urls;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (!selectedOnly || topLevelItem(i)->isSelected())
            urls.push_back(UrlOf(topLevelItem(i)));

    const std::string bytes =
        asText ? BuildTextExport(urls) : BuildHtmlExport(urls, MakerSiteBase() + "/");
    const bool written = WriteExportFile(path, bytes);
    waitCursor.reset();
    if (!written)
    {
        m_engine.Prompts().ShowMessageAs(CUserPrompts::EKind::Error, kExportFailedCaption,
                                         kExportFailedMessage);
        return;
    }
    if (auto* frame = qobject_cast<CMainFrame*>(window()))
        frame->Messages().OnEvent(CStatusTextEvent{"Exported " + std::to_string(urls.size()) +
                                                   (urls.size() == 1 ? " file to " : " files to ") +
                                                   path});
    OpenOrSay(m_engine.Prompts(), path);
}
