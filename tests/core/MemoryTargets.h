#pragma once

#include "core/UrlStore.h"
#include "platform/SinkTargets.h"

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
class CMemoryFileList : public CFileListTarget
{
public:
    bool InsertItem(const std::string& urlText, const std::string& sizeText) override
    {
        std::lock_guard lock(m_mutex);
        if (m_refuse)
            return false;
        if (!m_items.emplace(urlText, sizeText).second)
            m_duplicates.fetch_add(1);
        return true;
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

    bool m_refuse = false;
    std::atomic<int> m_duplicates{0};

private:
    std::mutex m_mutex;
    std::map<std::string, std::string> m_items;
};

// The site tree as a list of (node id, parent id, URL text).
class CMemorySiteTree : public CSiteTreeTarget
{
public:
    struct CNode
    {
        CTreeNodeId id;
        CTreeNodeId parent;
        std::string url;
    };

    CTreeNodeId InsertNode(CTreeNodeId parent, const std::string& urlText, bool) override
    {
        std::lock_guard lock(m_mutex);
        if (m_refuse)
            return kNoTreeNode;
        m_nodes.push_back(CNode{++m_lastId, parent, urlText});
        return m_lastId;
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

    bool m_refuse = false;

private:
    std::mutex m_mutex;
    CTreeNodeId m_lastId = kNoTreeNode;
    std::vector<CNode> m_nodes;
};
