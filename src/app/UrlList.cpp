#include "app/UrlList.h"

#include "session/Engine.h"

#include <QBrush>
#include <QColor>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QThread>
#include <algorithm>

namespace
{

constexpr int kUrlRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
// The full URL as text: siblings are sorted by it, whatever their labels show.
constexpr int kSortRole = Qt::UserRole + 2;
constexpr int kVisitedRole = Qt::UserRole + 3;

// Children stand sorted by text, ignoring letter case; equal texts keep byte order.
bool SortsBefore(const QTreeWidgetItem* item, const QString& text)
{
    const QString key = item->data(0, kSortRole).toString();
    const int byCase = key.compare(text, Qt::CaseInsensitive);
    return byCase != 0 ? byCase < 0 : key < text;
}

// Where the path of a URL begins ("http://host:port/..."), or -1 when it has none.
qsizetype PathStart(const QString& url)
{
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    if (scheme < 0)
        return -1;
    return url.indexOf(QLatin1Char('/'), scheme + 3);
}

// The position among siblings at which text keeps them sorted.
int SortedPosition(const QTreeWidgetItem* parent, const QTreeWidget* tree, const QString& text)
{
    int low = 0;
    int high = parent != nullptr ? parent->childCount() : tree->topLevelItemCount();
    while (low < high)
    {
        const int middle = (low + high) / 2;
        const QTreeWidgetItem* sibling =
            parent != nullptr ? parent->child(middle) : tree->topLevelItem(middle);
        if (SortsBefore(sibling, text))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace

CUrlList::CUrlList(CEngine& engine, QWidget* parent) : QTreeWidget(parent), m_engine(engine)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true); // buttons and lines at the root as well
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void CUrlList::SetImageStrip(const QPixmap& strip)
{
    m_images.clear();
    for (int i = 0; i < 2 * kImageStates; ++i)
        m_images.append(QIcon(strip.copy(i * 16, 0, 16, 16)));
    for (auto& [url, item] : m_itemOfUrl)
        ShowImage(item);
}

void CUrlList::ShowImage(QTreeWidgetItem* item) const
{
    const int state = item->data(0, kImageRole).toInt();
    const int image = (item->parent() == nullptr ? 0 : kImageStates) + state;
    item->setIcon(0, state >= 0 && state < kImageStates && image < m_images.size() ? m_images[image]
                                                                                   : QIcon());
}

void CUrlList::InsertNode(const std::string& parentUrl, const std::string& urlText, bool visited)
{
    // Copied on the calling thread.
    CPendingNode node{parentUrl, urlText, visited};
    if (QThread::currentThread() == thread())
    {
        // Nodes handed over earlier go first. The engine's lock is held: a refusal is given
        // back once it has been let go.
        InsertPendingNodes();
        InsertOnGuiThread(node);
        if (!m_refused.empty())
            QMetaObject::invokeMethod(
                this, [this] { GiveBackRefused(); }, Qt::QueuedConnection);
        return;
    }
    bool first = false;
    {
        std::lock_guard lock(m_pendingMutex);
        first = m_pendingNodes.empty();
        m_pendingNodes.push_back(std::move(node));
    }
    // One call serves all the nodes handed over until it runs.
    if (first)
        QMetaObject::invokeMethod(
            this, [this] { ApplyPendingNodes(); }, Qt::QueuedConnection);
}

void CUrlList::ApplyPendingNodes()
{
    InsertPendingNodes();
    GiveBackRefused();
}

void CUrlList::InsertPendingNodes()
{
    std::vector<CPendingNode> nodes;
    {
        std::lock_guard lock(m_pendingMutex);
        nodes.swap(m_pendingNodes);
    }
    for (const CPendingNode& node : nodes)
        InsertOnGuiThread(node);
}

void CUrlList::GiveBackRefused()
{
    if (m_refused.empty())
        return;
    std::vector<std::string> refused;
    refused.swap(m_refused);
    m_engine.ForgetTreePages(refused);
}

void CUrlList::InsertOnGuiThread(const CPendingNode& node)
{
    QTreeWidgetItem* parentItem = nullptr;
    if (!node.parentUrl.empty())
    {
        parentItem = ItemOf(node.parentUrl);
        if (parentItem == nullptr)
        {
            // The engine marked the page as in the tree when it handed the node over.
            m_refused.push_back(node.url);
            return;
        }
    }
    const std::string& url = node.url;
    const QString text = QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()));
    auto* item = new QTreeWidgetItem(QStringList{NodeLabel(
        parentItem != nullptr ? parentItem->data(0, kSortRole).toString() : QString(), text)});
    item->setToolTip(0, text);
    item->setData(0, kSortRole, text);
    item->setData(0, kUrlRole, QByteArray(url.data(), static_cast<qsizetype>(url.size())));
    item->setData(0, kImageRole, kImageFound);
    if (node.visited)
        MarkVisited(item);

    const int position = SortedPosition(parentItem, this, text);
    if (parentItem != nullptr)
    {
        parentItem->insertChild(position, item);
        // A site opens as its first pages arrive; once the user closes it, it stays closed.
        if (parentItem->childCount() == 1)
            parentItem->setExpanded(true);
    }
    else
    {
        insertTopLevelItem(position, item);
    }
    ShowImage(item);
    m_itemOfUrl[url] = item;
}

QString CUrlList::NodeLabel(const QString& parentUrl, const QString& url)
{
    const qsizetype path = PathStart(url);
    const qsizetype parentPath = PathStart(parentUrl);
    // Another server, or no parent: the whole URL.
    if (path < 0 || parentPath < 0 ||
        url.left(path).compare(parentUrl.left(parentPath), Qt::CaseInsensitive) != 0)
        return url;
    // Below the parent's folder: the rest of the path; elsewhere on the server: the path.
    const QString folder = parentUrl.left(parentUrl.lastIndexOf(QLatin1Char('/')) + 1);
    if (url.size() > folder.size() && url.startsWith(folder))
        return url.mid(folder.size());
    return url.mid(path);
}

QTreeWidgetItem* CUrlList::ItemOf(const std::string& url) const
{
    const auto found = m_itemOfUrl.find(url);
    return found == m_itemOfUrl.end() ? nullptr : found->second;
}

std::string CUrlList::UrlOf(const QTreeWidgetItem* item)
{
    if (item == nullptr)
        return {};
    return item->data(0, kUrlRole).toByteArray().toStdString();
}

bool CUrlList::SetPageImage(const std::string& url, int image)
{
    // The page's node was handed over before its image.
    ApplyPendingNodes();
    QTreeWidgetItem* item = ItemOf(url);
    if (item == nullptr)
        return false;
    item->setData(0, kImageRole, image);
    ShowImage(item);
    // Read in this run: drawn as read at once, as a later run draws it.
    if (image == kImageDone)
        MarkVisited(item);
    return true;
}

int CUrlList::ImageOf(const QTreeWidgetItem* item) const
{
    return item == nullptr ? -1 : item->data(0, kImageRole).toInt();
}

void CUrlList::ForgetSubtree(QTreeWidgetItem* item)
{
    for (int i = 0; i < item->childCount(); ++i)
        ForgetSubtree(item->child(i));
    // Nodes put in past the engine may share a URL; the latest one keeps the map's entry.
    const auto byUrl = m_itemOfUrl.find(UrlOf(item));
    if (byUrl != m_itemOfUrl.end() && byUrl->second == item)
        m_itemOfUrl.erase(byUrl);
}

void CUrlList::DeleteNode(QTreeWidgetItem* item)
{
    if (item == nullptr)
        return;
    ForgetSubtree(item);
    delete item;
}

void CUrlList::MarkVisited(QTreeWidgetItem* item)
{
    if (item == nullptr)
        return;
    item->setData(0, kVisitedRole, true);
    // The palette's own shade for text that matters less, light or dark theme alike.
    item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
}

bool CUrlList::IsVisited(const QTreeWidgetItem* item) const
{
    return item != nullptr && item->data(0, kVisitedRole).toBool();
}

void CUrlList::OnUpdate(int /*hint*/, bool hasHintObject)
{
    // Only an update without an object repaints the tree.
    if (!hasHintObject)
        viewport()->update();
}

void CUrlList::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    emit activated();
}

void CUrlList::mousePressEvent(QMouseEvent* event)
{
    emit activated();
    // The context menu acts on the node under the cursor, so a right click selects it first.
    if (event->button() == Qt::RightButton)
    {
        if (QTreeWidgetItem* item = itemAt(event->position().toPoint()))
            setCurrentItem(item);
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}
