#include "download/UrlSink.h"

bool CUrlSink::AddLocked(CUrl& record, bool* storeOwnsRecord)
{
    CUrl* held = nullptr;
    {
        CSinkLock lock(*this);
        if (lock.OwnsLock() && !IsShown(record))
            held = Add(record);
        if (held == nullptr && storeOwnsRecord != nullptr)
            *storeOwnsRecord = m_store.Find(record.m_url) == &record;
    }
    if (held != nullptr && storeOwnsRecord != nullptr)
        *storeOwnsRecord = held == &record;
    return held != nullptr;
}
