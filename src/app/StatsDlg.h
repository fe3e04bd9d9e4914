#pragma once

#include <QDialog>

class CTrawlerCore;

// The statistics window: modeless, owned by the main window. Escape and the close box destroy
// it; as it goes it posts WM_STATS_CLOSED, and the main window then deletes the object.
// For now an empty window; its counters arrive with the dialogs.
class CStatsDlg : public QDialog
{
    Q_OBJECT

public:
    CStatsDlg(CTrawlerCore& core, QWidget* parent);

    // Closes the window and tells the main window, once.
    void Destroy();
    bool IsDestroyed() const { return m_destroyed; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CTrawlerCore& m_core;
    bool m_destroyed = false;
};
