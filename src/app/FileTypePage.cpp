#include "app/FileTypePage.h"

#include "core/TrawlerCore.h"

namespace
{

constexpr CListPageText kText = {"File Types", "Specify file extensions Harvestor should look for.",
                                 "Extension", "New Ext", true};

} // namespace

FileTypePage::FileTypePage(CTrawlerCore& core, QWidget* parent) : CListPage(core, kText, parent) {}

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
