#pragma once

#include "app/DocView.h"
#include "platform/SinkTargets.h"

#include <QPixmap>
#include <QTreeWidget>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class CModeData;
class CUrl;
class CTrawlerCore;

// The site tree: one node per site or page URL, children sorted by text. Worker threads insert
// through the site sink (CSiteTreeTarget); the core only ever sees opaque node ids.
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
    // at once; another thread gets the node's id at once and the node goes in when this thread
    // next serves its events (or earlier, see ApplyPendingNodes), in the order of the calls.
    CTreeNodeId InsertNode(CTreeNodeId parent, const std::string& urlText, bool visited) override;
    // Puts the nodes that other threads handed over into the tree. One whose parent is gone by
    // then is refused: its id names nothing and the site tree's hold on its URL is given up.
    // Whatever reads or changes the tree for the user calls this first.
    void ApplyPendingNodes();

    // What a node shows: the URL's path below its parent's folder, the path alone when it lies
    // elsewhere on the parent's server, the whole URL for another server or a site of its own.
    // The whole URL is the node's tooltip.
    static QString NodeLabel(const QString& parentUrl, const QString& url);

    // User-interface thread only, below.
    QTreeWidgetItem* ItemOf(CTreeNodeId id) const;
    CTreeNodeId IdOf(const QTreeWidgetItem* item) const;
    // The exact URL text of a node (the shown text may have replaced undecodable bytes).
    static std::string UrlOf(const QTreeWidgetItem* item);
    // The node of a URL, or kNoTreeNode.
    CTreeNodeId NodeOfUrl(const std::string& url) const;
    // Gives the node of url the image; false when the URL has no node.
    bool SetPageImage(const std::string& url, int image);
    int ImageOf(const QTreeWidgetItem* item) const;
    // Deletes the node and its subtree; their ids name nothing afterwards.
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
        CTreeNodeId id;
        CTreeNodeId parent;
        std::string url;
        bool visited;
    };

    // False when the parent does not exist (any more).
    bool InsertOnGuiThread(const CPendingNode& node);
    // ApplyPendingNodes for a caller that holds the site sink's lock.
    void ApplyPendingNodesLocked();
    void ForgetSubtree(QTreeWidgetItem* item);
    // Sets the visited mark of the node and of its record; returns the record (or nullptr).
    CUrl* VisitNode(QTreeWidgetItem* item);
    void BrowseNode(QTreeWidgetItem* item, std::unique_ptr<CModeData> mode);
    // Gives up the tree marks of every node below item, deepest first.
    void ReleaseDescendants(QTreeWidgetItem* item);

    CTrawlerCore& m_core;
    // Ids are made on the inserting thread, never reused.
    std::atomic<CTreeNodeId> m_nextId{1};
    std::mutex m_pendingMutex;
    std::vector<CPendingNode> m_pendingNodes;
    std::unordered_map<CTreeNodeId, QTreeWidgetItem*> m_items;
    std::unordered_map<std::string, CTreeNodeId> m_nodeOfUrl;
    QList<QIcon> m_images;
};
