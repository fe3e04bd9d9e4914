#include "net/ConnectionCache.h"

#include "url/Url.h"

namespace
{

std::string KeyOf(const CUrl& record)
{
    return std::string(record.Host()) + ':' + std::to_string(record.m_port);
}

} // namespace

std::shared_ptr<const CConnection> CConnectionCache::GetConnection(const CUrl& record)
{
    std::lock_guard lock(m_mutex);
    auto& entry = m_connections[KeyOf(record)];
    if (!entry)
        entry = std::make_shared<const CConnection>(
            CConnection{std::string(record.Host()), record.m_port, std::string(record.UserName()),
                        std::string(record.Password())});
    return entry;
}

void CConnectionCache::DropConnection(const CUrl& record)
{
    std::lock_guard lock(m_mutex);
    m_connections.erase(KeyOf(record));
}

std::shared_ptr<const CConnection> CConnectionCache::GetConnection(const CUrl& record,
                                                                   const std::string& userName,
                                                                   const std::string& password)
{
    std::lock_guard lock(m_mutex);
    auto& entry = m_connections[KeyOf(record)];
    if (!entry || entry->userName != userName || entry->password != password)
        entry = std::make_shared<const CConnection>(
            CConnection{std::string(record.Host()), record.m_port, userName, password});
    return entry;
}
