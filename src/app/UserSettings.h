#pragma once

#include <QSettings>

// The per-user settings of the program (window details that the options file has no room for).
inline QSettings UserSettings()
{
    return QSettings(QStringLiteral("Quillfen"), QStringLiteral("Harvestor"));
}
