#include "core/UrlSink.h"

bool CUrlSink::AddLocked(const CUrlHold& hold)
{
    CSinkLock lock(*this);
    return lock.OwnsLock() && AddHoldingLock(hold);
}

bool CUrlSink::AddHoldingLock(const CUrlHold& hold)
{
    return hold && !IsShown(*hold) && Add(*hold);
}
