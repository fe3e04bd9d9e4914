#include "app/FileTypePage.h"

#include "session/Engine.h"

#include <QBoxLayout>
#include <QCheckBox>

namespace
{

constexpr CListPageText kText = {"File Types", "Specify file extensions Harvestor should look for.",
                                 "Extension", "New Ext", true};

} // namespace

FileTypePage::FileTypePage(CEngine& engine, QWidget* parent) : CListPage(engine, kText, parent) {}

void FileTypePage::Create()
{
    CListPage::Create();
    m_askType = new QCheckBox(
        QStringLiteral("Ask the server the type of links without a file extension"), this);
    m_askType->setChecked(Options().m_askTypeOfPageLinks);
    if (auto* box = qobject_cast<QBoxLayout*>(layout()))
        box->addWidget(m_askType);
}

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
    if (m_askType != nullptr)
        Options().m_askTypeOfPageLinks = m_askType->isChecked();
}
