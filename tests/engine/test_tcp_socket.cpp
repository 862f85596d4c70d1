// The non-blocking socket against real loopback connections.
#include "engine/tcp_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

#include "loopback_ports.h"

namespace {

const unsigned long kLoopback = inet_addr("127.0.0.1");

unsigned short local_port(PCSBSocket& s)
{
    PCSBSocket::ConnectionData data{};
    s.GetAddresses(&data);
    return data.local_port;
}

// Polls until the socket leaves `from` or a second passes.
int status_after(PCSBSocket& s, int from)
{
    for (int i = 0; i < 1000 && s.GetStatus() == from; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return s.GetStatus();
}

// A listener, a client connected to it and the accepted end.
struct connected_pair {
    PCSBSocket listener{0, true};
    PCSBSocket client{0, false};
    std::unique_ptr<PCSBSocket> server;

    connected_pair()
    {
        client.Connect(kLoopback, local_port(listener));
        EXPECT_EQ(status_after(listener, sock_idle), sock_connecting) << "no pending connection";
        server.reset(listener.Accept());
        EXPECT_EQ(status_after(client, sock_connecting), sock_connected);
    }

    // Reads from `s` until something arrives or a second passes.
    static long read_some(PCSBSocket& s, char* buf, long len)
    {
        long n = 0;
        for (int i = 0; i < 1000 && (n = s.ReadData(buf, len)) == 0 && !s.ReceivedRelease(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return n;
    }
};

TEST(TcpSocket, ListenerAcceptsAClientAndBothCarryBytes)
{
    connected_pair pair;
    ASSERT_NE(pair.server, nullptr);
    EXPECT_EQ(pair.listener.GetStatus(), sock_idle) << "Accept puts the listener back to idle";
    EXPECT_EQ(pair.server->GetStatus(), sock_connected);

    EXPECT_EQ(pair.client.http_WriteData("hello", 5), 5);
    char buf[16] = {};
    EXPECT_EQ(connected_pair::read_some(*pair.server, buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "hello");

    PCSBSocket::ConnectionData data{};
    pair.client.GetAddresses(&data);
    EXPECT_EQ(data.remote_address, kLoopback) << "remote address stays in network order";
    EXPECT_EQ(data.local_address, 0x7f000001u) << "local address is in host order";
    EXPECT_EQ(data.remote_port, local_port(pair.listener));
}

TEST(TcpSocket, PeerReleaseReadsAsZeroUntilWeReleaseToo)
{
    connected_pair pair;
    pair.server->Release();
    char buf[8];
    EXPECT_EQ(connected_pair::read_some(pair.client, buf, sizeof buf), 0);
    EXPECT_TRUE(pair.client.ReceivedRelease());
    EXPECT_EQ(pair.client.GetStatus(), sock_connected) << "a half-closed peer is still connected";

    pair.client.Release();
    EXPECT_EQ(pair.client.ReadData(buf, sizeof buf), -1);
    EXPECT_EQ(pair.client.GetStatus(), sock_closed);
}

TEST(TcpSocket, ReadWithNothingThereReturnsZeroAndKeepsTheState)
{
    connected_pair pair;
    char buf[8];
    EXPECT_EQ(pair.client.ReadData(buf, sizeof buf), 0);
    EXPECT_EQ(pair.client.GetStatus(), sock_connected);
    EXPECT_FALSE(pair.client.ReceivedRelease());
}

TEST(TcpSocket, ConnectionResetByThePeerIsClosedNotAnError)
{
    // A raw peer that aborts the connection (linger 0 sends a reset).
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = kLoopback;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);

    PCSBSocket client(0, false);
    client.Connect(kLoopback, ntohs(addr.sin_port));
    int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    ASSERT_EQ(status_after(client, sock_connecting), sock_connected);
    linger abort_now{1, 0};
    ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort_now, sizeof abort_now);
    ::close(peer);
    ::close(listener);

    char buf[8];
    long n = 0;
    for (int i = 0; i < 1000 && n == 0; ++i) {
        n = client.ReadData(buf, sizeof buf);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(n, -1);
    EXPECT_EQ(client.GetStatus(), sock_closed);
    EXPECT_EQ(client.GetOSError(), 0) << "connection loss is not recorded as an error";
}

TEST(TcpSocket, ConnectToAClosedLoopbackPortIsRefused)
{
    const testing_support::refused_port closed;
    ASSERT_NE(closed.port(), 0);
    PCSBSocket client(0, false);
    testing::internal::CaptureStderr();
    client.Connect(kLoopback, closed.port());
    int status = status_after(client, sock_connecting);
    std::string said = testing::internal::GetCapturedStderr();
    if (status == sock_error) {
        // Loopback refuses inside connect itself.
        EXPECT_EQ(client.GetOSError(), ECONNREFUSED);
        EXPECT_EQ(said, "LINUX: NET: Some sort of connect error! 111\n");
    } else {
        // Refused after EINPROGRESS: writable, then the first recv says so.
        EXPECT_EQ(status, sock_connected);
        char buf[4];
        EXPECT_EQ(client.ReadData(buf, sizeof buf), -1);
        EXPECT_EQ(client.GetStatus(), sock_closed);
        EXPECT_EQ(said, "");
    }
}

TEST(TcpSocket, FinalStatesNeverChangeOnPolling)
{
    connected_pair pair;
    pair.client.Disconnect();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pair.client.GetStatus(), sock_closed);
}

TEST(TcpSocket, AcceptWithNothingPendingGivesNullAndIdle)
{
    PCSBSocket listener(0, true);
    EXPECT_EQ(listener.Accept(), nullptr);
    EXPECT_EQ(listener.GetStatus(), sock_idle);
}

TEST(TcpSocket, ListeningOnAPortInUseIsAnError)
{
    PCSBSocket first(0, true);
    testing::internal::CaptureStderr();
    PCSBSocket second(local_port(first), true);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(second.GetStatus(), sock_error);
    EXPECT_EQ(second.GetOSError(), EADDRINUSE);
    EXPECT_EQ(said, "LINUX: NET: I could not even bind the socket! Uh-oh!\n");
}

TEST(TcpSocket, LookupTakesDottedQuadsAsTheyAreAndFailsUnknownNamesWithZero)
{
    EXPECT_EQ(PCSBSocket::LookupAddress("10.1.2.3"), inet_addr("10.1.2.3"));
    EXPECT_EQ(PCSBSocket::LookupAddress("localhost"), kLoopback);
    EXPECT_EQ(PCSBSocket::LookupAddress("no-such-host.invalid"), 0u);
    EXPECT_EQ(PCSBSocket::LookupAddress(""), 0u);
}

}  // namespace
