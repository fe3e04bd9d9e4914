#pragma once

#include "net/TransferProgress.h"

#include <QDialog>
#include <QEvent>
#include <atomic>
#include <cstdint>
#include <thread>

class CEngine;
class CUrl;
class QProgressBar;

// The dialog's own messages from the download thread.
inline constexpr std::uint32_t WM_UPGRADE_PROGRESS = 1130; // wParam: percent received
inline constexpr std::uint32_t WM_UPGRADE_DONE = 1131;     // wParam: 1 success, 0 failure

// WM_UPGRADE_PROGRESS or WM_UPGRADE_DONE, posted by the download thread to the dialog, which
// handles it on the user-interface thread.
class CUpgradeMessage : public QEvent
{
public:
    CUpgradeMessage(std::uint32_t message, std::int64_t wParam);
    static QEvent::Type EventType();

    std::uint32_t m_message;
    std::int64_t m_wParam;
};

// The download's progress sink: runs on the download thread and posts to the dialog.
class CUpgradeProgress : public CTransferProgress
{
public:
    explicit CUpgradeProgress(QObject* window) : m_window(window) {}

    void OnBegin(std::int64_t expectedBytes) override;
    // Percent of the expected total; nothing while the total is unknown.
    void OnProgress(std::uint64_t receivedBytes) override;
    void OnEnd(bool complete) override;

private:
    QObject* m_window;
    std::int64_t m_total = 0;
};

// "Upgrade Harvestor": downloads the installer on a thread of its own into the download
// directory (an older file of that name is overwritten). Closes with OK when the file arrived
// whole; with Cancel after a failure (telling the user) or a cancel (silently). "&Cancel" and
// Escape only ask the download to stop, through the dialog's own cancel flag (the engine's
// downloads go on).
class CUpgradeProgressDlg : public QDialog
{
    Q_OBJECT

public:
    // installer must outlive the dialog; its local file name is set once the download arrived.
    CUpgradeProgressDlg(CEngine& engine, CUrl& installer, QWidget* parent = nullptr);
    ~CUpgradeProgressDlg() override;

    QProgressBar* ProgressBar() const { return m_progress; }
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void StartDownload();
    void OnDone(bool success);
    void JoinWorker();

    CEngine& m_engine;
    CUrl& m_installer;
    QProgressBar* m_progress = nullptr;
    std::thread m_worker;
    // Set by this thread: the download and its size request watch it.
    std::atomic<bool> m_cancel{false};
    bool m_started = false;
    bool m_finished = false;
};
