#include "app/KeywordsPage.h"

#include "session/Engine.h"

namespace
{

// A new keyword starts empty: a placeholder text left unedited would be searched for.
constexpr CListPageText kText = {"Keywords", "Specify any keywords to search for in web pages.",
                                 "Keyword", "", false};

} // namespace

CKeywordPage::CKeywordPage(CEngine& engine, QWidget* parent) : CListPage(engine, kText, parent) {}

QStringList CKeywordPage::InitialItems() const
{
    QStringList items;
    for (const std::string& keyword : Options().m_keywords)
        items << QString::fromStdString(keyword);
    return items;
}

void CKeywordPage::OnApply()
{
    std::vector<std::string> keywords;
    for (const QString& text : Entries())
        keywords.push_back(text.toStdString());
    Options().m_keywords = std::move(keywords);
}
