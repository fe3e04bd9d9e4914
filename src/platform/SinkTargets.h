#pragma once

#include <cstdint>
#include <string>

// Opaque id of a site-tree node, handed out by the tree target; never a pointer into the GUI.
using CTreeNodeId = std::uint64_t;
inline constexpr CTreeNodeId kNoTreeNode = 0;

// The file list control that CFileSink inserts into. The GUI keeps its items sorted by URL.
// Thread contract: called from worker threads (and the GUI thread) while the file sink's lock is
// held. It never waits for the GUI's thread: the GUI queues the item for its own thread (and
// inserts it at once when already there); the list shows items in the order of the calls.
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
// held. It never waits for the GUI's thread: the GUI makes the node's id at once and queues the
// insertion for its own thread (inserting at once when already there). A queued node whose
// parent is gone when its turn comes is refused then, and the GUI gives up its tree mark.
class CSiteTreeTarget
{
public:
    virtual ~CSiteTreeTarget() = default;
    // Inserts a node for a record's URL text under parent (kNoTreeNode: the root level); visited
    // picks the visited icon. The node keeps the text, by which the URL store finds the record.
    // Returns the new node's id, kNoTreeNode when the control refuses it at once (for instance
    // when parent no longer exists).
    virtual CTreeNodeId InsertNode(CTreeNodeId parent, const std::string& urlText,
                                   bool visited) = 0;
};
