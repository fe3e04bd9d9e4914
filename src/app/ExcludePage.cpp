#include "app/ExcludePage.h"

#include "session/Engine.h"

namespace
{

constexpr CListPageText kText = {"Exclude",
                                 "Specify any text that should be used to exclude files or sites.",
                                 "Exclude", "", false};

} // namespace

CExcludePage::CExcludePage(CEngine& engine, QWidget* parent) : CListPage(engine, kText, parent) {}

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
