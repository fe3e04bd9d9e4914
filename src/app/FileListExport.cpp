// The file list's export: the dialog, then export.html or export.txt in the current directory,
// opened with the desktop afterwards.
#include "app/ExportDlg.h"
#include "app/FileList.h"
#include "app/MainFrame.h"
#include "app/MakerSite.h"
#include "app/WaitCursor.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "settings/DataPaths.h"
#include "settings/FileExport.h"

#include <optional>

namespace
{

constexpr const char* kExportFailedCaption = "Error";
constexpr const char* kExportFailedMessage = "Failed to export data!";

} // namespace

void CFileList::Export()
{
    CExportDlg dialog(window());
    dialog.SetSelection(HasSelection() ? CExportDlg::kSelectedItems : CExportDlg::kAllItems);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The wait cursor covers the writing, not the dialogs the user answers.
    std::optional<CWaitCursor> waitCursor(std::in_place);
    const bool selectedOnly = dialog.Selection() == CExportDlg::kSelectedItems;
    ApplyPendingItems();
    const std::vector<std::string> urls = selectedOnly ? SelectedUrls() : Urls();

    const bool asText = dialog.Format() == CExportDlg::kTextFormat;
    const std::string path =
        JoinDataPath(CurrentDirectory(), asText ? kTextExportFile : kHtmlExportFile);
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
    // The file goes to the working folder: say where, since the user never chose it.
    if (auto* frame = qobject_cast<CMainFrame*>(window()))
        frame->Messages().OnEvent(CStatusTextEvent{"Exported " + std::to_string(urls.size()) +
                                                   (urls.size() == 1 ? " file to " : " files to ") +
                                                   path});
    // Whether the desktop could show it is not reported.
    m_engine.Prompts().OpenWithShell(path);
}
