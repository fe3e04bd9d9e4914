#pragma once

#include <QDialog>

class CEngine;

// "Upgrade!": offers the new version. "&Don't Upgrade" (and Escape) closes the offer.
// "&Upgrade Now!" (also Enter) reads the installer's URL from the marker, downloads the
// installer, starts it with the desktop and asks the main window to close; if the download
// fails or is cancelled the offer closes and the program goes on.
class CUpgradeDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CUpgradeDlg(CEngine& engine, QWidget* parent = nullptr);

    void UpgradeNow();

private:
    CEngine& m_engine;
};
