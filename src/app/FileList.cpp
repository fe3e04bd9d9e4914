#include "app/FileList.h"

#include "app/FileListModel.h"
#include "app/ListSelection.h"

#include <QAction>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QThread>
#include <algorithm>
#include <iterator>

CFileList::CFileList(CEngine& engine, QWidget* parent)
    : QTreeView(parent), m_engine(engine), m_model(new CFileListModel(this))
{
    setModel(m_model);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    // The URLs take whatever room the sizes leave.
    header()->setSectionResizeMode(kFilesColumn, QHeaderView::Stretch);
    header()->setSectionResizeMode(kSizeColumn, QHeaderView::Interactive);
    header()->setSectionResizeMode(kNameColumn, QHeaderView::Interactive);
    header()->setSortIndicator(kFilesColumn, Qt::AscendingOrder);
    setSortingEnabled(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void CFileList::InsertItem(const std::string& urlText, const std::string& sizeText)
{
    if (QThread::currentThread() == thread())
    {
        ApplyPendingItems();
        InsertNow({{urlText, sizeText}});
        return;
    }
    bool first = false;
    {
        std::lock_guard lock(m_pendingMutex);
        first = m_pendingItems.empty();
        m_pendingItems.emplace_back(urlText, sizeText);
    }
    // One call serves the items handed over until it runs.
    if (first)
        QMetaObject::invokeMethod(
            this, [this] { ApplySomePendingItems(); }, Qt::QueuedConnection);
}

void CFileList::ApplyPendingItems()
{
    std::vector<std::pair<std::string, std::string>> items;
    {
        std::lock_guard lock(m_pendingMutex);
        items.assign(std::make_move_iterator(m_pendingItems.begin()),
                     std::make_move_iterator(m_pendingItems.end()));
        m_pendingItems.clear();
    }
    if (!items.empty())
        InsertNow(std::move(items));
}

void CFileList::ApplySomePendingItems()
{
    std::vector<std::pair<std::string, std::string>> items;
    bool more = false;
    {
        std::lock_guard lock(m_pendingMutex);
        const std::size_t count = std::min(m_pendingItems.size(), kItemsPerTurn);
        const auto end = m_pendingItems.begin() + static_cast<std::ptrdiff_t>(count);
        items.assign(std::make_move_iterator(m_pendingItems.begin()), std::make_move_iterator(end));
        m_pendingItems.erase(m_pendingItems.begin(), end);
        more = !m_pendingItems.empty();
    }
    if (!items.empty())
        InsertNow(std::move(items));
    // The rest in later turns, so that a crawl that finds files faster than they are shown
    // never keeps the window from its clicks and paints.
    if (more)
        QMetaObject::invokeMethod(
            this, [this] { ApplySomePendingItems(); }, Qt::QueuedConnection);
}

void CFileList::InsertNow(std::vector<std::pair<std::string, std::string>> items)
{
    std::vector<CFileRow> rows;
    rows.reserve(items.size());
    for (const auto& [urlText, sizeText] : items)
        rows.push_back(CFileListModel::MakeRow(urlText, sizeText));
    m_model->Insert(std::move(rows));
}

int CFileList::Count() const
{
    return m_model->Count();
}

std::string CFileList::UrlAt(int row) const
{
    return row >= 0 && row < Count() ? m_model->At(row).url : std::string();
}

QString CFileList::TextAt(int row, int column) const
{
    return m_model->index(row, column).data(Qt::DisplayRole).toString();
}

QString CFileList::ToolTipAt(int row, int column) const
{
    return m_model->index(row, column).data(Qt::ToolTipRole).toString();
}

QString CFileList::SizeTextAt(int row) const
{
    if (row < 0 || row >= Count())
        return {};
    const std::string& text = m_model->At(row).sizeText;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int CFileList::RowOf(const std::string& url) const
{
    for (int row = 0; row < Count(); ++row)
        if (m_model->At(row).url == url)
            return row;
    return -1;
}

QString CFileList::ReadableSize(qlonglong bytes)
{
    return ::ReadableSize(bytes);
}

std::vector<std::string> CFileList::Urls() const
{
    std::vector<std::string> urls;
    urls.reserve(static_cast<std::size_t>(Count()));
    for (int row = 0; row < Count(); ++row)
        urls.push_back(m_model->At(row).url);
    return urls;
}

bool CFileList::HasSelection() const
{
    return selectionModel()->hasSelection();
}

std::vector<int> CFileList::SelectedRows() const
{
    return SelectedRowsOf(*this);
}

std::vector<std::string> CFileList::SelectedUrls() const
{
    std::vector<std::string> urls;
    for (int row : SelectedRows())
        urls.push_back(m_model->At(row).url);
    return urls;
}

void CFileList::SelectRows(const std::vector<int>& rows)
{
    SelectRowsOf(*this, rows);
}

void CFileList::CopyAddresses()
{
    ApplyPendingItems();
    CopyAddressLines(SelectedUrls());
}

void CFileList::AddOwnActions(QMenu* menu)
{
    QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().front();
    auto* copy = new QAction(tr("&Copy Address"), menu);
    // Shown for the user to learn; the list's own key handling serves it.
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    copy->setEnabled(HasSelection());
    connect(copy, &QAction::triggered, this, &CFileList::CopyAddresses);
    menu->insertAction(first, copy);
    menu->insertSeparator(first);
}

void CFileList::OnUpdate(int /*hint*/, bool /*hasHintObject*/)
{
    viewport()->update();
}

void CFileList::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    emit activated();
}

void CFileList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
    {
        emit downloadRequested();
        return;
    }
    // The addresses of every selected row, not the text of the current cell.
    if (event->matches(QKeySequence::Copy))
    {
        CopyAddresses();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CFileList::mousePressEvent(QMouseEvent* event)
{
    emit activated();
    QTreeView::mousePressEvent(event);
}
