#include "engine/tcp_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

// Errors that mean the connection is gone rather than that something is
// wrong with us: the owner sees the closed state and decides what to do.
bool is_connection_loss(int err)
{
    switch (err) {
    case ENETDOWN:
    case ENETUNREACH:
    case ENETRESET:
    case ECONNABORTED:
    case ECONNRESET:
    case ETIMEDOUT:
    case ECONNREFUSED:
    case EHOSTUNREACH:
        return true;
    default:
        return false;
    }
}

// select with a zero timeout on this one descriptor.
int poll_now(int fd, fd_set* readable, fd_set* writable, fd_set* exceptional)
{
    if (fd < 0 || fd >= FD_SETSIZE) {
        errno = EBADF;
        return -1;
    }
    for (fd_set* set : {readable, writable, exceptional}) {
        if (set) {
            FD_ZERO(set);
            FD_SET(fd, set);
        }
    }
    timeval none{0, 0};
    return ::select(fd + 1, readable, writable, exceptional, &none);
}

}  // namespace

const char* sock_status_name(int status)
{
    switch (status) {
    case sock_idle: return "idle";
    case sock_connecting: return "connecting";
    case sock_connected: return "connected";
    case sock_closed: return "closed";
    case sock_error: return "error";
    default: return "unknown";
    }
}

PCSBSocket::PCSBSocket(unsigned short port, bool listen)
    : fd(-1), status(sock_idle), osError(0), receivedRelease(false), released(false),
      listening(false)
{
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        fprintf(stderr, "LINUX: NET: I could not even create the socket! Uh-oh!\n");
        fail(errno);
        return;
    }
    int one = 1;
    if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0)
        printf("-----------------------Could not set TCP_NODELAY on port %d-------------\n", port);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        fprintf(stderr, "LINUX: NET: I could not even bind the socket! Uh-oh!\n");
        fail(errno);
        return;
    }
    ::ioctl(fd, FIONBIO, &one);

    if (listen) {
        listening = true;
        if (::listen(fd, 128) != 0) {
            fprintf(stderr, "LINUX: NET: I could not start listening! Uh-oh!\n");
            fail(errno);
        }
    }
}

PCSBSocket::PCSBSocket(int accepted)
    : fd(accepted), status(sock_connected), osError(0), receivedRelease(false),
      released(false), listening(false)
{
    int one = 1;
    ::ioctl(fd, FIONBIO, &one);
}

PCSBSocket::~PCSBSocket()
{
    if (fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }
}

void PCSBSocket::fail(int err)
{
    status = sock_error;
    osError = err;
}

void PCSBSocket::Connect(unsigned long address, unsigned short port)
{
    status = sock_connecting;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = static_cast<in_addr_t>(address);
    remote.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0) {
        status = sock_connected;
        return;
    }
    if (errno == EAGAIN || errno == EINPROGRESS) return;  // GetStatus finishes it
    int err = errno;
    fprintf(stderr, "LINUX: NET: Some sort of connect error! %d\n", err);
    fail(err);
}

int PCSBSocket::GetStatus()
{
    if (status == sock_idle && listening) {
        fd_set readable;
        int n = poll_now(fd, &readable, nullptr, nullptr);
        if (n > 0) {
            status = FD_ISSET(fd, &readable) ? sock_connecting : sock_closed;
        } else if (n < 0 && errno != EINTR) {
            int err = errno;
            fprintf(stderr, "LINUX: NET: Some sort of socket error! %d\n", n);
            fail(err);
        }
    } else if (status == sock_connecting && !listening) {
        fd_set writable, exceptional;
        int n = poll_now(fd, nullptr, &writable, &exceptional);
        if (n > 0) {
            bool ok = FD_ISSET(fd, &writable) && !FD_ISSET(fd, &exceptional);
            status = ok ? sock_connected : sock_closed;
        } else if (n < 0 && errno != EINTR) {
            int err = errno;
            fprintf(stderr,
                    "LINUX: NET: Some sort of socket error while connecting! %d (errno=%d sock=%d)\n",
                    n, err, fd);
            fail(err);
        }
    }
    return status;
}

long PCSBSocket::ReadData(void* buffer, long length)
{
    ssize_t n = ::recv(fd, buffer, static_cast<size_t>(length), 0);
    if (n > 0) return n;
    if (n == 0) {
        receivedRelease = true;
        if (!released) return 0;
        status = sock_closed;
        return -1;
    }
    return transfer_failed(errno, "recving");
}

long PCSBSocket::http_WriteData(const void* buffer, long length)
{
    ssize_t n = ::send(fd, buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (n >= 0) return n;
    return transfer_failed(errno, "sending");
}

long PCSBSocket::transfer_failed(int err, const char* doing)
{
    if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR) return 0;  // nothing to do just now
    if (is_connection_loss(err)) {
        status = sock_closed;
        return -1;
    }
    fprintf(stderr, "LINUX: NET: Some sort of error while %s! %d\n", doing, err);
    fail(err);
    return -1;
}

void PCSBSocket::Release()
{
    released = true;
    if (::shutdown(fd, SHUT_WR) != 0) fail(errno);
}

void PCSBSocket::Disconnect()
{
    ::shutdown(fd, SHUT_RDWR);
    status = sock_closed;
}

PCSBSocket* PCSBSocket::Accept()
{
    status = sock_idle;
    int peer = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) return nullptr;
    return new PCSBSocket(peer);
}

unsigned long PCSBSocket::LookupAddress(const char* name)
{
    in_addr_t dotted = ::inet_addr(name);
    if (dotted != INADDR_NONE) return dotted;
    // gethostbyname keeps its answer in static storage; the HTTP client only
    // ever resolves on the main thread.
    hostent* host = ::gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0])
        return 0;
    in_addr_t first;
    memcpy(&first, host->h_addr_list[0], sizeof first);
    return first;
}

void PCSBSocket::GetAddresses(ConnectionData* data)
{
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    data->remote_address = addr.sin_addr.s_addr;
    data->remote_port = ntohs(addr.sin_port);
    addr = sockaddr_in{};
    len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    data->local_address = ntohl(addr.sin_addr.s_addr);
    data->local_port = ntohs(addr.sin_port);
}

bool PCSBSocket::StartupNetworking(bool)
{
    return true;
}

void PCSBSocket::ShutdownNetworking(bool) {}

int printf_null(const char*, ...)
{
    return 0;
}
