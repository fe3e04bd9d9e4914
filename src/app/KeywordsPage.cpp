#include "app/KeywordsPage.h"

#include "download/TrawlerCore.h"

namespace
{

// The placeholder of a new keyword is "Exclude", the same text as on the Exclude page.
constexpr CListPageText kText = {"Keywords", "Specify any keywords to search for in web pages.",
                                 "Keyword", "Exclude", false};

} // namespace

CKeywordPage::CKeywordPage(CTrawlerCore& core, QWidget* parent) : CListPage(core, kText, parent) {}

QStringList CKeywordPage::InitialItems() const
{
    QStringList items;
    for (const std::string& keyword : Options().m_keywords)
        items << QString::fromStdString(keyword);
    return items;
}

void CKeywordPage::OnApply()
{
    List()->CommitOpenEditor();
    std::vector<std::string> keywords;
    for (const QString& text : List()->Texts())
        keywords.push_back(text.toStdString());
    Options().m_keywords = std::move(keywords);
}
