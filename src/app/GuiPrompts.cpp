#include "app/GuiPrompts.h"

#include "app/AppMessages.h"
#include "app/GuiThread.h"
#include "app/PasswordDlg.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <cstdio>

namespace
{

QString ToText(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool OpenWithDesktop(const std::string& urlOrFile)
{
    const QString text = ToText(urlOrFile);
    const QUrl url = text.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(text)
                                                       : QUrl(text, QUrl::TolerantMode);
    return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace

CGuiPrompts::CGuiPrompts(bool headless, QObject* parent)
    : QObject(parent), m_headless(headless), m_openWithShell(OpenWithDesktop)
{
}

namespace
{
constexpr std::chrono::milliseconds kLoginWatchInterval{200};
} // namespace

int CGuiPrompts::RunDialog(QDialog& dialog)
{
    return m_runDialog ? m_runDialog(dialog) : dialog.exec();
}

void CGuiPrompts::ShowMessage(const std::string& caption, const std::string& text)
{
    ShowMessageAs(EKind::Information, caption, text);
}

void CGuiPrompts::ShowMessageAs(EKind kind, const std::string& caption, const std::string& text)
{
    if (m_headless)
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
        return;
    }
    CallOnGuiThread(this,
                    [&]
                    {
                        const QMessageBox::Icon icon = kind == EKind::Error ? QMessageBox::Critical
                                                       : kind == EKind::Warning
                                                           ? QMessageBox::Warning
                                                           : QMessageBox::Information;
                        QMessageBox box(icon, ToText(caption.empty() ? kAppName : caption),
                                        ToText(text), QMessageBox::Ok, m_owner.data());
                        RunDialog(box);
                    });
}

bool CGuiPrompts::AskLogin(const std::string& server, std::string& userName, std::string& password)
{
    return AskLoginWhile(server, userName, password, {});
}

bool CGuiPrompts::AskLoginWhile(const std::string& server, std::string& userName,
                                std::string& password, const std::function<bool()>& stillWanted)
{
    if (m_headless)
        return false;
    return CallOnGuiThread(this,
                           [&]
                           {
                               CPasswordDlg dialog(m_owner.data());
                               dialog.SetServer(ToText(server));
                               dialog.SetUserName(ToText(userName));
                               dialog.SetPassword(ToText(password));
                               // A cancelled browse or download closes its question.
                               QTimer watch(&dialog);
                               if (stillWanted)
                               {
                                   QObject::connect(&watch, &QTimer::timeout, &dialog,
                                                    [&]
                                                    {
                                                        if (!stillWanted())
                                                            dialog.reject();
                                                    });
                                   watch.start(kLoginWatchInterval);
                               }
                               if (RunDialog(dialog) != QDialog::Accepted)
                                   return false;
                               userName = dialog.UserName().toStdString();
                               password = dialog.Password().toStdString();
                               return true;
                           });
}

bool CGuiPrompts::OpenWithShell(const std::string& urlOrFile)
{
    if (m_headless)
        return false;
    return CallOnGuiThread(this, [&] { return m_openWithShell(urlOrFile); });
}

bool CGuiPrompts::AskQuitDuringDownloads(std::uint32_t pending)
{
    if (m_headless)
        return true;
    QMessageBox box(QMessageBox::Question, ToText(kAppName),
                    pending == 1
                        ? QStringLiteral("A file is still being downloaded.")
                        : QStringLiteral("%1 files are still being downloaded.").arg(pending),
                    QMessageBox::NoButton, m_owner.data());
    box.setInformativeText(QStringLiteral("Quit now? What was received so far is kept, and "
                                          "downloading a file again goes on from there."));
    QPushButton* quit = box.addButton(QStringLiteral("&Quit"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    RunDialog(box);
    return box.clickedButton() == quit;
}
