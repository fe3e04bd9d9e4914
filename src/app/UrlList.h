#pragma once

#include "app/DocView.h"

#include <QPixmap>
#include <QTreeWidget>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class CModeData;
class CEngine;

// The site tree: one node per site or page URL, children sorted by text. The engine's pages
// added arrive from its threads, naming a node's parent by its URL; the tree keeps its own map
// from URL texts to nodes, and the engine knows nothing of them.
class CUrlList : public QTreeWidget, public CDocView
{
    Q_OBJECT

public:
    // States of the tree's nodes, each with a picture for sites and one for pages.
    static constexpr int kImageFound = 0;
    static constexpr int kImageReading = 1;
    static constexpr int kImageDone = 2;
    static constexpr int kImageFailed = 3;
    static constexpr int kImageStates = 4;

    CUrlList(CEngine& engine, QWidget* parent = nullptr);

    // The 16 x 16 pictures of the node states side by side in one strip: the site's first,
    // then the page's.
    void SetImageStrip(const QPixmap& strip);

    // Any thread, as the engine adds the page (under its lock). On the user-interface thread
    // the node goes in at once; from another thread it goes in when this thread next serves its
    // events (or earlier, see ApplyPendingNodes), in the order of the calls. A node whose parent
    // URL has no node then is refused, and the page is given back to the engine (never while
    // the engine's lock may be held).
    void InsertNode(const std::string& parentUrl, const std::string& urlText, bool visited);
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
    bool IsVisited(const QTreeWidgetItem* item) const;

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

    // A node whose parent has no node (any more) is refused and kept for GiveBackRefused.
    void InsertOnGuiThread(const CPendingNode& node);
    // Inserts the nodes handed over so far, without giving back the refused ones.
    void InsertPendingNodes();
    // Tells the engine of the refused nodes' pages.
    void GiveBackRefused();
    void ForgetSubtree(QTreeWidgetItem* item);
    // Draws the node visited and tells the engine.
    void VisitNode(QTreeWidgetItem* item);
    void BrowseNode(QTreeWidgetItem* item, std::unique_ptr<CModeData> mode);
    // The URLs of every node below item, deepest first.
    void CollectDescendants(QTreeWidgetItem* item, std::vector<std::string>& urls) const;
    // Shows the node's state with the picture for its kind (a site at the root, else a page).
    void ShowImage(QTreeWidgetItem* item) const;

    CEngine& m_engine;
    std::mutex m_pendingMutex;
    std::vector<CPendingNode> m_pendingNodes;
    // Pages refused on this thread, not yet given back.
    std::vector<std::string> m_refused;
    // Every node by its URL text; the engine shows a URL at most once.
    std::unordered_map<std::string, QTreeWidgetItem*> m_itemOfUrl;
    QList<QIcon> m_images;
};
