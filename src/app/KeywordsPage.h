#pragma once

#include "app/ListPage.h"

// "Keywords": words that put a page that contains one of them into the found-file list
// (m_keywords, one entry each).
class CKeywordPage : public CListPage
{
    Q_OBJECT

public:
    explicit CKeywordPage(CEngine& engine, QWidget* parent = nullptr);

    void OnApply() override;

protected:
    QStringList InitialItems() const override;
};
