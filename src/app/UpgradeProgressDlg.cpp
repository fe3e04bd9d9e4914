#include "app/UpgradeProgressDlg.h"

#include "app/AppMessages.h"
#include "app/Upgrade.h"
#include "net/TransferContext.h"
#include "net/UrlTransfers.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "url/Url.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>

CUpgradeMessage::CUpgradeMessage(std::uint32_t message, std::int64_t wParam)
    : QEvent(EventType()), m_message(message), m_wParam(wParam)
{
}

QEvent::Type CUpgradeMessage::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void CUpgradeProgress::OnBegin(std::int64_t expectedBytes)
{
    m_total = expectedBytes;
}

void CUpgradeProgress::OnProgress(std::uint64_t receivedBytes)
{
    if (m_total <= 0)
        return;
    const double percent =
        static_cast<double>(receivedBytes) / static_cast<double>(m_total) * 100.0;
    QCoreApplication::postEvent(
        m_window,
        new CUpgradeMessage(WM_UPGRADE_PROGRESS, std::clamp(static_cast<std::int64_t>(percent),
                                                            std::int64_t{0}, std::int64_t{100})));
}

void CUpgradeProgress::OnEnd(bool complete)
{
    QCoreApplication::postEvent(m_window, new CUpgradeMessage(WM_UPGRADE_DONE, complete ? 1 : 0));
}

CUpgradeProgressDlg::CUpgradeProgressDlg(CEngine& engine, CUrl& installer, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_installer(installer)
{
    setWindowTitle(QStringLiteral("Upgrade Harvestor"));
    auto* label = new QLabel(QStringLiteral("Downloading..."), this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &CUpgradeProgressDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_progress);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(320);
}

CUpgradeProgressDlg::~CUpgradeProgressDlg()
{
    // Only when the dialog goes before its download ended.
    if (m_worker.joinable())
    {
        m_cancel.store(true);
        JoinWorker();
    }
}

void CUpgradeProgressDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_started)
    {
        m_started = true;
        StartDownload();
    }
}

void CUpgradeProgressDlg::StartDownload()
{
    const std::string folder = m_engine.DownloadFolder();
    // The default download directory does not exist before the first download.
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string path = UpgradeTargetPath(folder, std::string(m_installer.FileName()));
    const CTransferContext* session = m_engine.TransferContext();
    m_worker = std::thread(
        [this, path, session]
        {
            CUpgradeProgress progress(this);
            if (session == nullptr)
            {
                progress.OnEnd(false);
                return;
            }
            // The engine's settings with this dialog's cancel flag: Cancel stops this download
            // alone.
            const CTransferContext context{session->session,       session->connections,
                                           session->options,       session->log,
                                           session->statistics,    session->events,
                                           session->cancelBrowse,  m_cancel,
                                           session->pageReadLimit, session->publishedOptions};
            // The size request too runs here, never on the window's thread.
            DetermineSize(m_installer, context, &m_cancel);
            DownloadTo(m_installer, context, progress, path);
        });
}

bool CUpgradeProgressDlg::event(QEvent* event)
{
    if (event->type() != CUpgradeMessage::EventType())
        return QDialog::event(event);
    const auto* message = static_cast<const CUpgradeMessage*>(event);
    if (message->m_message == WM_UPGRADE_PROGRESS)
        m_progress->setValue(static_cast<int>(message->m_wParam));
    else if (message->m_message == WM_UPGRADE_DONE)
        OnDone(message->m_wParam == 1);
    return true;
}

void CUpgradeProgressDlg::OnDone(bool success)
{
    if (m_finished)
        return;
    m_finished = true;
    // The thread's last steps (the local file name among them) are done once it has ended.
    JoinWorker();
    if (success)
    {
        QDialog::done(QDialog::Accepted);
        return;
    }
    if (m_cancel.load())
    {
        QDialog::done(QDialog::Rejected);
        return;
    }
    m_engine.Prompts().ShowMessageAs(CUserPrompts::EKind::Error, kAppName, kUpgradeFailedMessage);
    QDialog::done(QDialog::Rejected);
}

void CUpgradeProgressDlg::reject()
{
    // The dialog closes when the download notices the flag and reports its end.
    if (m_worker.joinable() && !m_finished)
        m_cancel.store(true);
}

void CUpgradeProgressDlg::JoinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}
