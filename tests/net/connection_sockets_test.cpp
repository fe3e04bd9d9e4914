#include "net/ConnectionSockets.h"
#include "net/CurlHandles.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace
{

std::size_t Discard(char*, std::size_t size, std::size_t count, void*)
{
    return size * count;
}

int LocalPortOf(curl_socket_t socket)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

TEST(ConnectionSockets, FindsEachOpenConnectionByItsLocalPortOnlyAndHoldsItsSends)
{
    ASSERT_TRUE(EnsureCurlGlobalInit());
    CTestHttpServer server;
    server.Server().Get("/", [](const httplib::Request&, httplib::Response& response)
                        { response.set_content("page", "text/html"); });
    server.Start();

    CConnectionSockets sockets;
    long keptPort = 0;
    {
        CCurlEasyPtr easy(curl_easy_init());
        ASSERT_TRUE(easy);
        CConnectionSockets::Attach(easy.get(), sockets);
        curl_easy_setopt(easy.get(), CURLOPT_URL, server.Url("/").c_str());
        curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &Discard);
        // A kept connection, a second one beside it, and one closed at its end.
        const auto transfer = [&](long fresh, long forbidReuse, long& port)
        {
            curl_easy_setopt(easy.get(), CURLOPT_FRESH_CONNECT, fresh);
            curl_easy_setopt(easy.get(), CURLOPT_FORBID_REUSE, forbidReuse);
            ASSERT_EQ(curl_easy_perform(easy.get()), CURLE_OK);
            curl_easy_getinfo(easy.get(), CURLINFO_LOCAL_PORT, &port);
        };
        long secondPort = 0;
        long closedPort = 0;
        transfer(0, 0, keptPort);
        transfer(1, 0, secondPort);
        transfer(1, 1, closedPort);

        const curl_socket_t kept = sockets.SocketOfLocalPort(static_cast<int>(keptPort));
        const curl_socket_t second = sockets.SocketOfLocalPort(static_cast<int>(secondPort));
        ASSERT_NE(kept, CURL_SOCKET_BAD);
        ASSERT_NE(second, CURL_SOCKET_BAD);
        EXPECT_NE(kept, second);
        EXPECT_EQ(LocalPortOf(kept), keptPort);
        EXPECT_EQ(LocalPortOf(second), secondPort);
        AcknowledgeNow(kept);
        // Sends held on every open connection, then let go on every one.
        const auto held = [](curl_socket_t socket)
        {
            int on = 0;
            socklen_t size = sizeof on;
            getsockopt(socket, IPPROTO_TCP, TCP_CORK, &on, &size);
            return on != 0;
        };
        sockets.HoldSends(true);
        EXPECT_TRUE(held(kept) && held(second));
        sockets.HoldSends(false);
        EXPECT_FALSE(held(kept) || held(second));
        EXPECT_EQ(sockets.SocketOfLocalPort(static_cast<int>(closedPort)), CURL_SOCKET_BAD);
        EXPECT_EQ(sockets.SocketOfLocalPort(0), CURL_SOCKET_BAD);
        EXPECT_EQ(server.AcceptedConnections(), 3);
    }
    // The handle's end closes its connections.
    EXPECT_EQ(sockets.SocketOfLocalPort(static_cast<int>(keptPort)), CURL_SOCKET_BAD);
}

} // namespace
