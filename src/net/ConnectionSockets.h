#pragma once

#include <curl/curl.h>
#include <vector>

class CSiteLedger;

// The sockets of one multi handle's connections, as libcurl opens and closes them, so that a
// request can find the socket of the connection it was given by the connection's local port, and
// a step of requests can hold its sends until all are written. Lives with the multi handle and
// outlives it. One thread only, like the multi handle.
class CConnectionSockets
{
public:
    // The socket that has localPort as its local port; CURL_SOCKET_BAD when none has.
    curl_socket_t SocketOfLocalPort(int localPort);

    // Set on every easy handle of the multi: they keep the table up to date.
    static void Attach(CURL* easy, CConnectionSockets& sockets);

    // With hold, what is written to the open sockets waits in the kernel; without, every socket
    // held sends it at once. Requests written meanwhile then reach the server together, and it
    // wakes once for them rather than once for each. Sockets opened meanwhile are not held.
    void HoldSends(bool hold);

    // Closed sockets are reported to ledger, which must outlive the table.
    void CountIn(CSiteLedger* ledger) { m_ledger = ledger; }

private:
    struct CEntry
    {
        curl_socket_t socket = CURL_SOCKET_BAD;
        int localPort = 0; // 0 until asked: the socket is not bound when it is opened
        bool held = false;
    };

    void Forget(curl_socket_t socket);
    static int OnOpened(void* user, curl_socket_t socket, curlsocktype purpose);
    static int OnClose(void* user, curl_socket_t socket);

    std::vector<CEntry> m_entries;
    CSiteLedger* m_ledger = nullptr;
};

// Sends the acknowledgement of what the socket received now, and leaves the mode in which the
// kernel holds acknowledgements back for a reply. A server that holds the last small part of an
// answer until the part before it is acknowledged (Nagle's rule) would otherwise wait for the
// kernel's delayed acknowledgement: 40 ms for each answer that ends that way.
void AcknowledgeNow(curl_socket_t socket);
