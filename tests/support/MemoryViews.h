#pragma once

#include "core/UrlStore.h"
#include "platform/EngineEvents.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// A record that counts its destructions, to see exactly when the store lets one go.
inline std::atomic<int> g_destroyedUrls{0};
class CCountedUrl : public CUrl
{
public:
    using CUrl::CUrl;
    ~CCountedUrl() override { g_destroyedUrls.fetch_add(1); }
};

// The file list as a sorted map from URL to size text.
class CMemoryFileList
{
public:
    void InsertItem(const std::string& urlText, const std::string& sizeText)
    {
        std::lock_guard lock(m_mutex);
        if (!m_items.emplace(urlText, sizeText).second)
            m_duplicates.fetch_add(1);
    }
    std::map<std::string, std::string> Items()
    {
        std::lock_guard lock(m_mutex);
        return m_items;
    }
    // Drops every item and gives the store back its marks, as Remove Selected does.
    void RemoveAll(CUrlStore& store)
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [url, size] : m_items)
            store.Release(CHolder::FileList, url);
        m_items.clear();
    }

    std::atomic<int> m_duplicates{0};

private:
    std::mutex m_mutex;
    std::map<std::string, std::string> m_items;
};

// The site tree as a list of (parent URL, URL text). A tree given the store refuses a node
// whose parent has no node, and gives its tree mark back, as the window does.
class CMemorySiteTree
{
public:
    struct CNode
    {
        std::string parent;
        std::string url;
    };

    explicit CMemorySiteTree(CUrlStore* store = nullptr) : m_store(store) {}

    void InsertNode(const std::string& parentUrl, const std::string& urlText)
    {
        std::lock_guard lock(m_mutex);
        const bool parentShown = parentUrl.empty() || std::any_of(m_nodes.begin(), m_nodes.end(),
                                                                  [&](const CNode& node) {
                                                                      return node.url == parentUrl;
                                                                  });
        if (m_store != nullptr && !parentShown)
        {
            m_store->Release(CHolder::Tree, urlText);
            return;
        }
        m_nodes.push_back(CNode{parentUrl, urlText});
    }
    std::vector<CNode> Nodes()
    {
        std::lock_guard lock(m_mutex);
        return m_nodes;
    }
    void RemoveAll(CUrlStore& store)
    {
        std::lock_guard lock(m_mutex);
        for (const CNode& node : m_nodes)
            store.Release(CHolder::Tree, node.url);
        m_nodes.clear();
    }

private:
    CUrlStore* m_store;
    std::mutex m_mutex;
    std::vector<CNode> m_nodes;
};

// Shows the engine's found files and added pages in the memory list and tree (either may be
// absent) and hands every other event on to next, when there is one.
class CMemoryViews : public CEngineObserver
{
public:
    CMemoryViews(CMemoryFileList* list, CMemorySiteTree* tree, CEngineObserver* next = nullptr)
        : m_list(list), m_tree(tree), m_next(next)
    {
    }

    void OnEvent(CEngineEvent event) override
    {
        if (const auto* file = std::get_if<CFileFoundEvent>(&event); file && m_list)
            m_list->InsertItem(file->url, file->sizeText);
        else if (const auto* page = std::get_if<CPageAddedEvent>(&event); page && m_tree)
            m_tree->InsertNode(page->parentUrl, page->url);
        else if (m_next != nullptr)
            m_next->OnEvent(std::move(event));
    }

private:
    CMemoryFileList* m_list;
    CMemorySiteTree* m_tree;
    CEngineObserver* m_next;
};
