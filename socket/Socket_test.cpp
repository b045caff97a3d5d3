#include "base/SocketException.h"
#include "socket/ServerSocket.h"
#include "socket/Socket.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

TEST(Socket, ConnectAcceptTransferAndShutdown)
{
    ServerSocket server;
    server.create();
    server.bind(0);
    server.listen(5);
    const uint16_t port = server.getLocalAddress().getPort();

    Socket client;
    client.create();
    EXPECT_TRUE(client.connect("127.0.0.1", port));
    Socket accepted;
    server.accept(accepted);
    ASSERT_GE(accepted.getHandle(), 0);
    EXPECT_TRUE(accepted.isBlocking());
    EXPECT_EQ(accepted.getRemoteAddress().getPort(), client.getLocalAddress().getPort());
    EXPECT_EQ(client.getRemoteAddress().getAddress(), "127.0.0.1");

    EXPECT_EQ(client.write("wake", 4), 4);
    char buffer[16];
    EXPECT_EQ(accepted.read(buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "wake");
    EXPECT_EQ(client.shutdownOutput(), 0);
    EXPECT_EQ(accepted.read(buffer, sizeof buffer), 0);

    for (AbstractSocket* socket :
         {static_cast<AbstractSocket*>(&client), static_cast<AbstractSocket*>(&accepted),
          static_cast<AbstractSocket*>(&server)})
        socket->close();
}

TEST(Socket, FailuresCarryTheSystemError)
{
    ServerSocket server;
    server.create();
    server.bind(0);
    const uint16_t port = server.getLocalAddress().getPort();
    server.close();

    // Nobody listens on the port now.
    Socket client;
    client.create();
    try {
        client.connect("127.0.0.1", port);
        ADD_FAILURE() << "connected";
    } catch (const SocketException& e) {
        EXPECT_EQ(e.getCode(), ECONNREFUSED);
        EXPECT_STREQ(e.getMessage(), std::strerror(ECONNREFUSED));
        EXPECT_NE(std::string(e.getFunction()).find("connect"), std::string::npos);
    }
    EXPECT_GE(client.getHandle(), 0); // a failure leaves the handle open
    client.close();

    // Two plain stream sockets cannot share a port.
    Socket first, second;
    first.create();
    second.create();
    first.bind(0);
    try {
        second.bind(first.getLocalAddress().getPort());
        ADD_FAILURE() << "bound twice";
    } catch (const SocketException& e) {
        EXPECT_EQ(e.getCode(), EADDRINUSE);
    }
    first.close();
    second.close();

    // A failed accept leaves the target without a handle.
    ServerSocket notListening;
    notListening.create();
    Socket target;
    notListening.accept(target);
    EXPECT_EQ(target.getHandle(), -1);
    notListening.close();
}

} // namespace
} // namespace corvane
