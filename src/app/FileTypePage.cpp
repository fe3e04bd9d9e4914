#include "app/FileTypePage.h"

#include "session/Engine.h"

namespace
{

constexpr CListPageText kText = {"File Types", "Specify file extensions Harvestor should look for.",
                                 "Extension", "New Ext", true};

} // namespace

FileTypePage::FileTypePage(CEngine& engine, QWidget* parent) : CListPage(engine, kText, parent) {}

QStringList FileTypePage::InitialItems() const
{
    return SplitListText(Options().m_fileTypes);
}

bool FileTypePage::CanApply()
{
    return FitsJoinedLimit("file type");
}

void FileTypePage::OnApply()
{
    Options().m_fileTypes = JoinedItems();
}
