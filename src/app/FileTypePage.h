#pragma once

#include "app/ListPage.h"

class QCheckBox;

// "File Types": the extensions that make a link a wanted file (m_fileTypes), and whether links
// without one are asked for their type (m_askTypeOfPageLinks).
class FileTypePage : public CListPage
{
    Q_OBJECT

public:
    explicit FileTypePage(CEngine& engine, QWidget* parent = nullptr);

    bool CanApply() override;
    void OnApply() override;
    QCheckBox* AskTypeBox() const { return m_askType; }

protected:
    void Create() override;
    QStringList InitialItems() const override;

private:
    QCheckBox* m_askType = nullptr;
};
