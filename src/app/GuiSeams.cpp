#include "app/GuiSeams.h"

#include "app/AboutDlg.h"
#include "app/OptionSheet.h"
#include "app/Upgrade.h"

bool RunOptionsSheet(QWidget* parent, CTrawlerCore& core)
{
    return COptionSheet::Run(parent, core);
}

void ShowAboutBox(QWidget* parent)
{
    CAboutDlg about(parent);
    about.exec();
}

bool RunUpgradeCheck(QWidget* parent, CTrawlerCore& core)
{
    return CheckForUpgrade(parent, core);
}
