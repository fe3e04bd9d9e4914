#pragma once

#include "app/ListPage.h"

// "File Types": the extensions that make a link a wanted file (m_fileTypes).
class FileTypePage : public CListPage
{
    Q_OBJECT

public:
    explicit FileTypePage(CEngine& engine, QWidget* parent = nullptr);

    bool CanApply() override;
    void OnApply() override;

protected:
    QStringList InitialItems() const override;
};
