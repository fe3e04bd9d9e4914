#include "app/AppResources.h"

#include <QString>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitHarvestorResource()
{
    Q_INIT_RESOURCE(harvestor);
}

void InitAppResources()
{
    static const bool done = (InitHarvestorResource(), true);
    (void)done;
}

QIcon ToolbarIcon(const char* name)
{
    QIcon icon;
    for (const int size : {16, 24})
        icon.addFile(QStringLiteral(":/icons/%1/%2.png").arg(size).arg(QLatin1String(name)),
                     QSize(size, size));
    return icon;
}

QPixmap TreeImageStrip()
{
    return QPixmap(QStringLiteral(":/icons/site_tree.png"));
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/app/harvestor_%1.png").arg(size), QSize(size, size));
    return icon;
}
