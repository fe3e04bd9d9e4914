#pragma once

#include "app/DocView.h"
#include "platform/SinkTargets.h"

#include <QPixmap>
#include <QTreeWidget>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class CModeData;
class CUrl;
class CTrawlerCore;

// The site tree: one node per site or page URL, children sorted by text. Worker threads insert
// through the site sink (CSiteTreeTarget), naming a node's parent by its URL; the tree keeps its
// own map from URL texts to nodes, and the core knows nothing of them.
class CUrlList : public QTreeWidget, public CSiteTreeTarget, public CDocView
{
    Q_OBJECT

public:
    // Images of the tree's nodes.
    static constexpr int kImageFound = 0;
    static constexpr int kImageReading = 1;
    static constexpr int kImageDone = 2;

    CUrlList(CTrawlerCore& core, QWidget* parent = nullptr);

    // The six 16 x 16 pictures of the node images, side by side in one strip.
    void SetImageStrip(const QPixmap& strip);

    // Any thread, with the site sink's lock held. On the user-interface thread the node goes in
    // at once; from another thread it goes in when this thread next serves its events (or
    // earlier, see ApplyPendingNodes), in the order of the calls. A node whose parent URL has no
    // node then is refused, and the site tree's mark on its URL is given back to the store.
    void InsertNode(const std::string& parentUrl, const std::string& urlText,
                    bool visited) override;
    // Puts the nodes that other threads handed over into the tree. Whatever reads or changes the
    // tree for the user calls this first.
    void ApplyPendingNodes();

    // What a node shows: the URL's path below its parent's folder, the path alone when it lies
    // elsewhere on the parent's server, the whole URL for another server or a site of its own.
    // The whole URL is the node's tooltip.
    static QString NodeLabel(const QString& parentUrl, const QString& url);

    // User-interface thread only, below.
    // The node of a URL, or nullptr.
    QTreeWidgetItem* ItemOf(const std::string& url) const;
    // The exact URL text of a node (the shown text may have replaced undecodable bytes).
    static std::string UrlOf(const QTreeWidgetItem* item);
    // Gives the node of url the image; false when the URL has no node.
    bool SetPageImage(const std::string& url, int image);
    int ImageOf(const QTreeWidgetItem* item) const;
    // Deletes the node and its subtree; their URLs have no node afterwards.
    void DeleteNode(QTreeWidgetItem* item);
    // Draws the node grey, as visited.
    void MarkVisited(QTreeWidgetItem* item);

    bool HasSelectedItem() const { return !selectedItems().isEmpty(); }
    // The selected node, or nullptr.
    QTreeWidgetItem* SelectedItem() const;
    bool HasItems() const { return topLevelItemCount() > 0; }

    void OnUpdate(int hint, bool hasHintObject) override;

    // The tree's own commands; the main frame routes them here (UrlListCommands.cpp).
    void AddSite();
    void BrowseSelected(int modeNumber);
    void ExploreSelected();
    void OpenSelected();
    void RemoveSelected();
    void FindInList();

signals:
    // The user clicked into the tree or gave it the focus: it is the active pane now.
    void activated();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct CPendingNode
    {
        std::string parentUrl;
        std::string url;
        bool visited;
    };

    // A node whose parent has no node (any more) is refused, its tree mark given back.
    void InsertOnGuiThread(const CPendingNode& node);
    // ApplyPendingNodes for a caller that holds the site sink's lock.
    void ApplyPendingNodesLocked();
    void ForgetSubtree(QTreeWidgetItem* item);
    // Sets the visited mark of the node and of its record; returns the record (or nullptr).
    CUrl* VisitNode(QTreeWidgetItem* item);
    void BrowseNode(QTreeWidgetItem* item, std::unique_ptr<CModeData> mode);
    // Gives up the tree marks of every node below item, deepest first.
    void ReleaseDescendants(QTreeWidgetItem* item);

    CTrawlerCore& m_core;
    std::mutex m_pendingMutex;
    std::vector<CPendingNode> m_pendingNodes;
    // Every node by its URL text; the sink shows a URL at most once.
    std::unordered_map<std::string, QTreeWidgetItem*> m_itemOfUrl;
    QList<QIcon> m_images;
};
