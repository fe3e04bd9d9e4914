#include "app/FileList.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QThread>

namespace
{

constexpr int kUrlRole = Qt::UserRole;

QString ToText(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Items are ordered by URL text, ignoring letter case; equal texts keep byte order.
bool SortsBefore(const QTreeWidgetItem* item, const QString& text)
{
    const int byCase = item->text(CFileList::kFilesColumn).compare(text, Qt::CaseInsensitive);
    return byCase != 0 ? byCase < 0 : item->text(CFileList::kFilesColumn) < text;
}

} // namespace

CFileList::CFileList(CTrawlerCore& core, QWidget* parent) : QTreeWidget(parent), m_core(core)
{
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Files"), QStringLiteral("Size")});
    headerItem()->setTextAlignment(kFilesColumn, Qt::AlignLeft | Qt::AlignVCenter);
    headerItem()->setTextAlignment(kSizeColumn, Qt::AlignLeft | Qt::AlignVCenter);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

bool CFileList::InsertItem(const std::string& urlText, const std::string& sizeText)
{
    if (QThread::currentThread() == thread())
    {
        ApplyPendingItems();
        return InsertOnGuiThread(urlText, sizeText);
    }
    bool first = false;
    {
        std::lock_guard lock(m_pendingMutex);
        first = m_pendingItems.empty();
        m_pendingItems.emplace_back(urlText, sizeText);
    }
    // One call serves all the items handed over until it runs.
    if (first)
        QMetaObject::invokeMethod(
            this, [this] { ApplyPendingItems(); }, Qt::QueuedConnection);
    return true;
}

void CFileList::ApplyPendingItems()
{
    std::vector<std::pair<std::string, std::string>> items;
    {
        std::lock_guard lock(m_pendingMutex);
        items.swap(m_pendingItems);
    }
    for (const auto& [urlText, sizeText] : items)
        InsertOnGuiThread(urlText, sizeText);
}

bool CFileList::InsertOnGuiThread(const std::string& urlText, const std::string& sizeText)
{
    const QString text = ToText(urlText);
    int low = 0;
    int high = topLevelItemCount();
    while (low < high)
    {
        const int middle = (low + high) / 2;
        if (SortsBefore(topLevelItem(middle), text))
            low = middle + 1;
        else
            high = middle;
    }
    auto* item = new QTreeWidgetItem(QStringList{text});
    SetSizeText(item, sizeText);
    item->setData(kFilesColumn, kUrlRole,
                  QByteArray(urlText.data(), static_cast<qsizetype>(urlText.size())));
    insertTopLevelItem(low, item);
    return true;
}

void CFileList::SetSizeText(QTreeWidgetItem* item, const std::string& sizeText)
{
    item->setText(kSizeColumn, ToText(sizeText));
}

std::string CFileList::UrlOf(const QTreeWidgetItem* item)
{
    if (item == nullptr)
        return {};
    return item->data(kFilesColumn, kUrlRole).toByteArray().toStdString();
}

std::vector<std::string> CFileList::Urls() const
{
    std::vector<std::string> urls;
    urls.reserve(static_cast<std::size_t>(topLevelItemCount()));
    for (int i = 0; i < topLevelItemCount(); ++i)
        urls.push_back(UrlOf(topLevelItem(i)));
    return urls;
}

void CFileList::OnUpdate(int /*hint*/, bool /*hasHintObject*/)
{
    viewport()->update();
}

void CFileList::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    emit activated();
}

void CFileList::mousePressEvent(QMouseEvent* event)
{
    emit activated();
    QTreeWidget::mousePressEvent(event);
}
