#include "app/StatsDlg.h"

#include "download/TrawlerCore.h"

#include <QCloseEvent>

CStatsDlg::CStatsDlg(CTrawlerCore& core, QWidget* parent) : QDialog(parent, Qt::Tool), m_core(core)
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
    m_core.m_frame.PostToMainFrame(WM_STATS_CLOSED);
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
