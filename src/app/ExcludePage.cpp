#include "app/ExcludePage.h"

#include "core/TrawlerCore.h"

namespace
{

constexpr CListPageText kText = {"Exclude",
                                 "Specify any text that should be used to exclude files or sites.",
                                 "Exclude", "", false};

} // namespace

CExcludePage::CExcludePage(CTrawlerCore& core, QWidget* parent) : CListPage(core, kText, parent) {}

QStringList CExcludePage::InitialItems() const
{
    return SplitListText(Options().m_excludes);
}

bool CExcludePage::CanApply()
{
    return FitsJoinedLimit("exclude");
}

void CExcludePage::OnApply()
{
    Options().m_excludes = JoinedItems();
}
