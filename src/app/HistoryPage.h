#pragma once

#include "app/OptionPage.h"

class QCheckBox;

// "History": whether the page and download histories are remembered (stored whenever the page
// is left), and a "Clear" button for each that empties the list at once.
class CHistoryPage : public COptionPage
{
    Q_OBJECT

public:
    explicit CHistoryPage(CEngine& engine, QWidget* parent = nullptr);

    bool OnKillActive() override;

protected:
    void Create() override;

private:
    QCheckBox* m_rememberPages = nullptr;
    QCheckBox* m_rememberDownloads = nullptr;
};
