#include "core/SiteSink.h"

bool CSiteSink::IsShown(const CUrl& record) const
{
    return m_store.IsInTree(record.m_url);
}

bool CSiteSink::Add(CUrl& record)
{
    CSiteTreeTarget* target = m_target.load();
    const CTreeNodeId node =
        target == nullptr
            ? kNoTreeNode
            : target->InsertNode(record.m_parentItem.load(), record.m_url, record.IsVisited());
    record.m_treeItem.store(node);
    if (node == kNoTreeNode)
        return false;
    // When the record is a stand-in, the store's older record is the one the node stands for.
    // It cannot go away here: its new tree mark only drops under this sink's lock.
    if (CUrl* held = m_store.Mark(CHolder::Tree, record.m_url))
        held->m_treeItem.store(node);
    return true;
}
