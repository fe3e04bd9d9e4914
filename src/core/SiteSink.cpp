#include "core/SiteSink.h"

bool CSiteSink::IsShown(const CUrl& record) const
{
    return m_store.IsInTree(record.m_url);
}

CUrl* CSiteSink::Add(CUrl& record)
{
    CSiteTreeTarget* target = m_target.load();
    const CTreeNodeId node =
        target == nullptr
            ? kNoTreeNode
            : target->InsertNode(record.m_parentItem.load(), record.m_url, record.IsVisited());
    record.m_treeItem.store(node);
    if (node == kNoTreeNode)
        return nullptr;
    // When the store already held another record for this URL, that one is the record the node
    // stands for. It cannot go away here: its new tree mark only drops under this sink's lock.
    CUrl* held = m_store.Add(CHolder::Tree, &record).held;
    if (held != &record)
        held->m_treeItem.store(node);
    return held;
}
