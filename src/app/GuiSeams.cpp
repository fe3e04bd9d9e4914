#include "app/GuiSeams.h"

#include "app/AboutDlg.h"
#include "app/AppMessages.h"

#include <QMessageBox>

bool RunOptionsSheet(QWidget* /*parent*/, CTrawlerCore& /*core*/)
{
    return false;
}

void ShowAboutBox(QWidget* parent)
{
    CAboutDlg about(parent);
    about.exec();
}

bool RunUpgradeCheck(QWidget* /*parent*/, CTrawlerCore& /*core*/)
{
    return false;
}
