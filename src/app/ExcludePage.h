#pragma once

#include "app/ListPage.h"

// "Exclude": texts that keep a file or a site out when its URL contains one (m_excludes).
class CExcludePage : public CListPage
{
    Q_OBJECT

public:
    explicit CExcludePage(CEngine& engine, QWidget* parent = nullptr);

    bool CanApply() override;
    void OnApply() override;

protected:
    QStringList InitialItems() const override;
};
