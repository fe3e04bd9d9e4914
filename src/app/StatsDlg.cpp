#include "app/StatsDlg.h"

#include "app/AppState.h"

#include <QCloseEvent>

CStatsDlg::CStatsDlg(CAppState& state, QWidget* parent) : QDialog(parent, Qt::Tool), m_state(state)
{
    setWindowTitle(QStringLiteral("Statistics"));
    setModal(false);
}

void CStatsDlg::Destroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    hide();
    m_state.m_frame.PostToMainFrame(WM_STATS_CLOSED);
}

void CStatsDlg::reject()
{
    Destroy();
}

void CStatsDlg::closeEvent(QCloseEvent* event)
{
    event->accept();
    Destroy();
}
