#pragma once

#include "app/DocView.h"
#include "platform/SinkTargets.h"

#include <QPixmap>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <unordered_map>

class CModeData;
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

    // Any thread: runs on the user-interface thread and returns once the node is in the tree.
    CTreeNodeId InsertNode(CTreeNodeId parent, CUrl& record) override;

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
    CTreeNodeId InsertOnGuiThread(CTreeNodeId parent, const std::string& url, bool visited);
    void ForgetSubtree(QTreeWidgetItem* item);
    // Sets the visited mark of the node and of its record; returns the record (or nullptr).
    CUrl* VisitNode(QTreeWidgetItem* item);
    void BrowseNode(QTreeWidgetItem* item, std::unique_ptr<CModeData> mode);
    // Gives up the tree marks of every node below item, deepest first.
    void ReleaseDescendants(QTreeWidgetItem* item);

    CTrawlerCore& m_core;
    CTreeNodeId m_nextId = 1;
    std::unordered_map<CTreeNodeId, QTreeWidgetItem*> m_items;
    std::unordered_map<std::string, CTreeNodeId> m_nodeOfUrl;
    QList<QIcon> m_images;
};
