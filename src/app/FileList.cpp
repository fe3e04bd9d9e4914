#include "app/FileList.h"

#include "url/SavedName.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QThread>
#include <iterator>

namespace
{

constexpr int kUrlRole = Qt::UserRole;
// The size text as the engine made it: bytes, "<Unknown>" or empty.
constexpr int kSizeTextRole = Qt::UserRole + 1;

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

CFileList::CFileList(CEngine& engine, QWidget* parent) : QTreeWidget(parent), m_engine(engine)
{
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("Files"), QStringLiteral("Size"), QStringLiteral("Name")});
    headerItem()->setTextAlignment(kFilesColumn, Qt::AlignLeft | Qt::AlignVCenter);
    headerItem()->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    // The URLs take whatever room the sizes leave.
    header()->setSectionResizeMode(kFilesColumn, QHeaderView::Stretch);
    header()->setSectionResizeMode(kSizeColumn, QHeaderView::Interactive);
    header()->setSectionResizeMode(kNameColumn, QHeaderView::Interactive);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void CFileList::InsertItem(const std::string& urlText, const std::string& sizeText)
{
    if (QThread::currentThread() == thread())
    {
        ApplyPendingItems();
        InsertOnGuiThread(urlText, sizeText);
        return;
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

void CFileList::InsertOnGuiThread(const std::string& urlText, const std::string& sizeText)
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
    item->setToolTip(kFilesColumn, text);
    item->setText(kNameColumn, ToText(UrlFileName(urlText)));
    item->setToolTip(kNameColumn, text);
    SetSizeText(item, sizeText);
    item->setData(kFilesColumn, kUrlRole,
                  QByteArray(urlText.data(), static_cast<qsizetype>(urlText.size())));
    insertTopLevelItem(low, item);
}

void CFileList::SetSizeText(QTreeWidgetItem* item, const std::string& sizeText)
{
    const QString text = ToText(sizeText);
    bool isNumber = false;
    const qlonglong bytes = text.toLongLong(&isNumber);
    item->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(kSizeColumn, kSizeTextRole, text);
    if (!isNumber || bytes < 0)
    {
        item->setText(kSizeColumn, text);
        item->setToolTip(kSizeColumn, QString());
        return;
    }
    item->setText(kSizeColumn, ReadableSize(bytes));
    item->setToolTip(kSizeColumn, QStringLiteral("%1 bytes").arg(QLocale().toString(bytes)));
}

QString CFileList::ReadableSize(qlonglong bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units))
    {
        value /= 1024.0;
        ++unit;
    }
    return QLocale().toString(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString CFileList::SizeTextOf(const QTreeWidgetItem* item)
{
    return item == nullptr ? QString() : item->data(kSizeColumn, kSizeTextRole).toString();
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

void CFileList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
    {
        emit downloadRequested();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CFileList::mousePressEvent(QMouseEvent* event)
{
    emit activated();
    QTreeWidget::mousePressEvent(event);
}
