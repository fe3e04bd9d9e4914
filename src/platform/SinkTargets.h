#pragma once

#include "url/Url.h"

#include <string>

// The file list control that CFileSink inserts into. The GUI keeps its items sorted by URL.
// Thread contract: called from worker threads (and the GUI thread) while the file sink's lock is
// held; the GUI runs the insertion on its own thread with a blocking queued call (directly when
// already there), so it returns only once the item is in the list.
class CFileListTarget
{
public:
    virtual ~CFileListTarget() = default;
    // Inserts an item with the URL in the first column and the size text in the second;
    // false when the control refuses it.
    virtual bool InsertItem(const std::string& urlText, const std::string& sizeText) = 0;
};

// The site tree control that CSiteSink inserts into. Children are kept sorted by text.
// Thread contract: called from worker threads (and the GUI thread) while the site sink's lock is
// held; the GUI runs the insertion on its own thread with a blocking queued call (directly when
// already there), so it returns only once the node is in the tree.
class CSiteTreeTarget
{
public:
    virtual ~CSiteTreeTarget() = default;
    // Inserts a node with the record's URL text under parent (kNoTreeNode: the root level).
    // The record is only sure to live during the call: the node keeps values (the URL text, by
    // which the URL store finds the record), never the pointer. Returns the new node's id,
    // kNoTreeNode when the control refuses it (for instance when parent no longer exists).
    virtual CTreeNodeId InsertNode(CTreeNodeId parent, CUrl& record) = 0;
};
