#pragma once

#include <string>

// The file list control that CFileSink inserts into. The GUI keeps its items sorted by URL.
// Thread contract: called from worker threads (and the GUI thread) while the file sink's lock is
// held. It never waits for the GUI's thread: the GUI queues the item for its own thread (and
// inserts it at once when already there); the list takes items in the order of the calls.
class CFileListTarget
{
public:
    virtual ~CFileListTarget() = default;
    // Inserts an item with the URL in the first column and the size text in the second.
    virtual void InsertItem(const std::string& urlText, const std::string& sizeText) = 0;
};

// The site tree control that CSiteSink inserts into. Children are kept sorted by text; the tree
// keeps its own map from URL texts to its nodes.
// Thread contract: called from worker threads (and the GUI thread) while the site sink's lock is
// held, after the sink has given the URL the store's tree mark. It never waits for the GUI's
// thread: the GUI queues the insertion for its own thread (inserting at once when already
// there), in the order of the calls. A node whose parent has no node when its turn comes is
// refused then, and the GUI gives its tree mark back to the store.
class CSiteTreeTarget
{
public:
    virtual ~CSiteTreeTarget() = default;
    // Inserts a node for a record's URL text under the node of the page parentUrl (empty: the
    // root level); visited picks the visited icon. The node keeps the text, by which the URL
    // store finds the record.
    virtual void InsertNode(const std::string& parentUrl, const std::string& urlText,
                            bool visited) = 0;
};
