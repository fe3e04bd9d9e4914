#include "core/UrlSink.h"

bool CUrlSink::AddLocked(CUrl& record, bool* storeOwnsRecord)
{
    CSinkLock lock(*this);
    if (lock.OwnsLock())
        return AddHoldingLock(record, storeOwnsRecord);
    if (storeOwnsRecord != nullptr)
        *storeOwnsRecord = m_store.Find(record.m_url) == &record;
    return false;
}

bool CUrlSink::AddHoldingLock(CUrl& record, bool* storeOwnsRecord)
{
    CUrl* held = IsShown(record) ? nullptr : Add(record);
    if (storeOwnsRecord != nullptr)
        *storeOwnsRecord =
            held != nullptr ? held == &record : m_store.Find(record.m_url) == &record;
    return held != nullptr;
}
