#pragma once

#include "platform/SinkTargets.h"

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The site tree of a run without a window: only the node ids are needed, since nothing shows
// the tree and nothing removes a node.
class CHeadlessSiteTree : public CSiteTreeTarget
{
public:
    CTreeNodeId InsertNode(CTreeNodeId parent, const std::string& urlText, bool visited) override;

private:
    std::atomic<CTreeNodeId> m_lastId{kNoTreeNode};
};

// The found-file list of a run without a window, sorted by URL as the window's list is.
class CHeadlessFileList : public CFileListTarget
{
public:
    bool InsertItem(const std::string& urlText, const std::string& sizeText) override;
    std::vector<std::string> Urls() const;
    std::size_t Count() const;

private:
    mutable std::mutex m_mutex;
    std::set<std::string> m_urls;
};
