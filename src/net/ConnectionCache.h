#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class CUrl;

// What every request to one server carries: where it goes and with which credentials. Immutable;
// a transfer holds it for as long as it runs, so dropping it from the cache never pulls it away
// from a running transfer.
struct CConnection
{
    std::string host;
    std::uint16_t port = 0;
    std::string userName;
    std::string password;
};

// The servers that HTTP requests have gone to, each with the port and credentials its requests
// carry. The first record for a server decides them; a login prompt replaces them with its
// answer.
// Entries are keyed by host and port, so a second port on the same host is a server of its own.
// Any thread; the lock guards the map only, for one operation.
class CConnectionCache
{
public:
    // The record's server entry, made from the record when there is none.
    std::shared_ptr<const CConnection> GetConnection(const CUrl& record);
    // The record's server entry with the credentials a login prompt gave: replaced when it holds
    // others, made when there is none.
    std::shared_ptr<const CConnection>
    GetConnection(const CUrl& record, const std::string& userName, const std::string& password);
    // Forgets the record's server entry.
    void DropConnection(const CUrl& record);

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<const CConnection>> m_connections;
};
