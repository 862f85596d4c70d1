// PCSBSocket: one IPv4 TCP socket in non-blocking mode with a small state
// number that its owner polls once per frame.
//
// Nothing here ever waits: the connect is started and then watched with a
// zero-timeout select, and every read or write is one recv or send.  A lost
// connection is not an error but the closed state; only failures we cannot
// classify land in the error state, with one line on standard error.
#pragma once

#include <cstdint>

// The states of `PCSBSocket::GetStatus`.
enum {
    sock_idle = 1,        // a fresh client, or a listener with nothing pending
    sock_connecting = 2,  // a connect under way; on a listener, a peer waiting
    sock_connected = 3,
    sock_closed = 4,      // disconnected, connection lost, or both sides released
    sock_error = 5,       // GetOSError() holds the errno
};

// "idle", "connecting", ... for logs and test messages.
const char* sock_status_name(int status);

class PCSBSocket {
public:
    struct ConnectionData {
        uint32_t local_address;   // host byte order
        uint16_t local_port;      // host byte order
        uint32_t remote_address;  // network byte order, as the system gives it
        uint16_t remote_port;     // host byte order
    };

    // A client (listen false; port 0 lets the system choose) or a listener.
    PCSBSocket(unsigned short port, bool listen);
    // Wraps a descriptor that Accept returned.
    explicit PCSBSocket(int fd);
    virtual ~PCSBSocket();
    PCSBSocket(const PCSBSocket&) = delete;
    PCSBSocket& operator=(const PCSBSocket&) = delete;

    // address in network byte order, port in host order.
    void Connect(unsigned long address, unsigned short port);
    int GetStatus();
    // Bytes read; 0 when nothing is there yet (or the peer released its side
    // while we have not); -1 when the socket closed or failed.
    long ReadData(void* buffer, long length);
    // Bytes accepted (possibly fewer than asked, or 0); -1 on close or failure.
    long http_WriteData(const void* buffer, long length);
    void Release();
    void Disconnect();
    // A new connected socket owned by the caller, or null.
    PCSBSocket* Accept();

    // Network byte order; 0 when the name does not resolve.
    static unsigned long LookupAddress(const char* name);
    void GetAddresses(ConnectionData* data);
    int GetOSError() const { return osError; }
    bool ReceivedRelease() const { return receivedRelease; }
    // For an owner that sleeps on several sockets at once: the descriptor
    // (-1 when none could be made) and the status as the last call left it,
    // without asking the system again.
    int Descriptor() const { return fd; }
    int LastStatus() const { return status; }

    static bool StartupNetworking(bool first);
    static void ShutdownNetworking(bool last);

private:
    void fail(int err);
    // The answer of ReadData or http_WriteData to a failed recv or send.
    long transfer_failed(int err, const char* doing);

    int fd;
    int status;
    int osError;
    bool receivedRelease;
    bool released;
    bool listening;
};

// A sink for debug output: prints nothing.
int printf_null(const char* format, ...);
