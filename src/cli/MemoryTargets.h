#pragma once

#include "platform/SinkTargets.h"

#include <mutex>
#include <set>
#include <string>
#include <vector>

// The site tree of a run without a window: nothing shows the tree and nothing removes a node, so
// the store's tree marks are all it needs.
class CHeadlessSiteTree : public CSiteTreeTarget
{
public:
    void InsertNode(const std::string& /*parentUrl*/, const std::string& /*urlText*/,
                    bool /*visited*/) override
    {
    }
};

// The found-file list of a run without a window, sorted by URL as the window's list is.
class CHeadlessFileList : public CFileListTarget
{
public:
    void InsertItem(const std::string& urlText, const std::string& sizeText) override;
    std::vector<std::string> Urls() const;
    std::size_t Count() const;

private:
    mutable std::mutex m_mutex;
    std::set<std::string> m_urls;
};
