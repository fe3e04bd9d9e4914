#pragma once

#include "app/OptionPage.h"

class QButtonGroup;

// "Duplicates": what a download does when its file exists already (m_duplicateAction). Stored
// whenever the page is left.
class CDuplicatesPage : public COptionPage
{
    Q_OBJECT

public:
    explicit CDuplicatesPage(CEngine& engine, QWidget* parent = nullptr);

    bool OnKillActive() override;

protected:
    void Create() override;

private:
    QButtonGroup* m_action = nullptr;
};
