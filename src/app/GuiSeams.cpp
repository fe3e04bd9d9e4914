#include "app/GuiSeams.h"

#include "app/AboutDlg.h"
#include "app/OptionSheet.h"
#include "app/Upgrade.h"

bool RunOptionsSheet(QWidget* parent, CEngine& engine)
{
    return COptionSheet::Run(parent, engine);
}

void ShowAboutBox(QWidget* parent)
{
    CAboutDlg about(parent);
    about.exec();
}

void ShowStartupAboutBox(QWidget* parent)
{
    CAboutDlg::ShowAtStartup(parent);
}

bool RunUpgradeCheck(QWidget* parent, CEngine& engine)
{
    return CheckForUpgrade(parent, engine);
}
