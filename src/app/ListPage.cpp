#include "app/ListPage.h"

#include "app/ExchangeFields.h"
#include "session/Engine.h"

#include <QAbstractItemDelegate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

// Sorted like the platform's list control: without regard to case, exact text as a tie-break
// so that the order is total.
class CListItem : public QTreeWidgetItem
{
public:
    explicit CListItem(const QString& text) : QTreeWidgetItem(QStringList{text})
    {
        setFlags(flags() | Qt::ItemIsEditable);
    }

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const QString mine = text(0);
        const QString theirs = other.text(0);
        const int folded = mine.compare(theirs, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : mine < theirs;
    }
};

} // namespace

CListControl::CListControl(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    // The sort order is fixed: a click on the column title does not turn it round.
    header()->setSectionsClickable(false);
    header()->setSortIndicatorShown(false);
}

void CListControl::CommitOpenEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    QWidget* editor = indexWidget(currentIndex());
    if (editor == nullptr)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

QStringList CListControl::Texts(bool skipEmpty) const
{
    QStringList texts;
    for (int row = 0; row < topLevelItemCount(); ++row)
        if (const QString text = topLevelItem(row)->text(0); !skipEmpty || !text.isEmpty())
            texts << text;
    return texts;
}

CListPage::CListPage(CEngine& engine, const CListPageText& text, QWidget* parent)
    : COptionPage(engine, QString::fromLatin1(text.caption), parent), m_text(text)
{
}

void CListPage::Create()
{
    auto* explanation = new QLabel(QString::fromLatin1(m_text.explanation), this);
    explanation->setWordWrap(true);

    m_list = new CListControl(this);
    m_list->setObjectName(QStringLiteral("list"));
    const QString column = QString::fromLatin1(m_text.column);
    m_list->setHeaderLabels({column});
    if (m_text.narrowColumn)
    {
        m_list->header()->setStretchLastSection(false);
        m_list->header()->resizeSection(
            0, m_list->header()->fontMetrics().horizontalAdvance(column) + 16);
    }

    auto* add = new QPushButton(QStringLiteral("&Add"), this);
    auto* edit = new QPushButton(QStringLiteral("&Edit"), this);
    auto* remove = new QPushButton(QStringLiteral("&Remove"), this);
    add->setObjectName(QStringLiteral("add"));
    edit->setObjectName(QStringLiteral("edit"));
    remove->setObjectName(QStringLiteral("remove"));
    for (QPushButton* button : {add, edit, remove})
        button->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &CListPage::AddItem);
    connect(edit, &QPushButton::clicked, this, &CListPage::EditItem);
    connect(remove, &QPushButton::clicked, this, &CListPage::RemoveItem);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(body, 1);

    for (const QString& item : InitialItems())
        m_list->addTopLevelItem(new CListItem(item));
}

void CListPage::AddItem()
{
    auto* item = new CListItem(QString::fromLatin1(m_text.placeholder));
    m_list->addTopLevelItem(item);
    m_list->setFocus(Qt::OtherFocusReason);
    m_list->scrollToItem(item);
    m_list->setCurrentItem(item);
    m_list->editItem(item, 0);
}

void CListPage::EditItem()
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (item == nullptr || !item->isSelected())
        return;
    m_list->setFocus(Qt::OtherFocusReason);
    m_list->scrollToItem(item);
    m_list->editItem(item, 0);
}

void CListPage::RemoveItem()
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (item == nullptr || !item->isSelected())
        return;
    delete item;
}

QStringList CListPage::Entries() const
{
    m_list->CommitOpenEditor();
    return m_list->Texts(m_text.placeholder[0] == '\0');
}

std::string CListPage::JoinedItems() const
{
    return Entries().join(QLatin1Char(';')).toStdString();
}

bool CListPage::FitsJoinedLimit(const char* what)
{
    const std::size_t length = JoinedItems().size();
    if (length <= kMaxListTextLength)
        return true;
    ShowAppMessage(m_engine.Prompts(),
                   QStringLiteral("The %1 list is too long: its entries, joined by \";\", "
                                  "take %2 characters, and at most %3 fit. Please remove "
                                  "or shorten some entries.")
                       .arg(QLatin1String(what))
                       .arg(length)
                       .arg(kMaxListTextLength));
    m_list->setFocus(Qt::OtherFocusReason);
    return false;
}

QStringList SplitListText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .split(QLatin1Char(';'), Qt::SkipEmptyParts);
}
