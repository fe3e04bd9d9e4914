#include "app/GuiSeams.h"

#include "app/AppMessages.h"

#include <QMessageBox>

bool RunOptionsSheet(QWidget* /*parent*/, CTrawlerCore& /*core*/)
{
    return false;
}

void ShowAboutBox(QWidget* parent)
{
    QMessageBox::about(parent, QStringLiteral("About Harvestor"),
                       QStringLiteral("Harvestor Version 1.52"));
}

bool RunUpgradeCheck(QWidget* /*parent*/, CTrawlerCore& /*core*/)
{
    return false;
}
