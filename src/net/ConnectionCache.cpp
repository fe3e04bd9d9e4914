#include "net/ConnectionCache.h"

#include "platform/TimedLock.h"
#include "url/Url.h"

#include <chrono>

namespace
{

constexpr std::chrono::milliseconds kLockWait{1000};

std::string KeyOf(const CUrl& record)
{
    return std::string(record.Host()) + ':' + std::to_string(record.m_port);
}

} // namespace

std::shared_ptr<const CConnection> CConnectionCache::GetConnection(const CUrl& record)
{
    auto lock = LockWithin(m_mutex, kLockWait);
    if (!lock.owns_lock())
        return nullptr;
    auto& entry = m_connections[KeyOf(record)];
    if (!entry)
        entry = std::make_shared<const CConnection>(
            CConnection{std::string(record.Host()), record.m_port, std::string(record.UserName()),
                        std::string(record.Password())});
    return entry;
}

void CConnectionCache::DropConnection(const CUrl& record)
{
    auto lock = LockWithin(m_mutex, kLockWait);
    if (lock.owns_lock())
        m_connections.erase(KeyOf(record));
}

std::shared_ptr<const CConnection> CConnectionCache::GetConnection(const CUrl& record,
                                                                   const std::string& userName,
                                                                   const std::string& password)
{
    auto lock = LockWithin(m_mutex, kLockWait);
    if (!lock.owns_lock())
        return nullptr;
    auto& entry = m_connections[KeyOf(record)];
    if (!entry || entry->userName != userName || entry->password != password)
        entry = std::make_shared<const CConnection>(
            CConnection{std::string(record.Host()), record.m_port, userName, password});
    return entry;
}
