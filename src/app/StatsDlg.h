#pragma once

#include "session/Engine.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QTimer;

// The statistics window: modeless, owned by the main window, eight counters refreshed once a
// second, in plain words and readable sizes. It opens where it was last closed (per-user
// settings "Stats/LeftPos" and "Stats/TopPos"), the first time beside the main window. Escape and
// the close box destroy it; as it goes it emits closed(), and the main window then deletes the
// object.
class CStatsDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kFieldCount = 11;
    static constexpr int kRefreshMs = 1000;

    // statistics reads the counters (CEngine::Statistics), on this dialog's thread.
    CStatsDlg(std::function<CEngineStats()> statistics, QWidget* parent);
    ~CStatsDlg() override;

    // Closes the window and tells the main window, once.
    void Destroy();

    // Copies the counters into the fields (what each timer tick does).
    void Refresh();
    // Field 0 to 7: found sites, pages read, running crawls, found files, queued files,
    // downloaded files, bytes received ("4.7 GB"), URL records kept.
    QString FieldText(int field) const;
    bool IsTimerRunning() const;

    void reject() override;

signals:
    // Once, as Destroy hides the window.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StorePosition() const;

    std::function<CEngineStats()> m_statistics;
    QLineEdit* m_fields[kFieldCount] = {};
    QTimer* m_timer = nullptr;
    bool m_destroyed = false;
};
