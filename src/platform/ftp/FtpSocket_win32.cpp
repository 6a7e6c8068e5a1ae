// The Winsock calls under the shared socket layer, and sending a file read in large blocks.
#include "platform/ftp/FtpSocket.h"

#include "platform/ftp/FtpSocketCalls.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <io.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <vector>

namespace kvr::ftpnet {

namespace {
// Winsock's codes as the errno values the error tables are written in.
int errno_of(int wsa) {
    switch (wsa) {
    case WSAEWOULDBLOCK:
        return EAGAIN;
    case WSAETIMEDOUT:
        return ETIMEDOUT;
    case WSAECONNRESET:
        return ECONNRESET;
    case WSAECONNABORTED:
    case WSAESHUTDOWN:
        return ECONNABORTED;
    case WSAECONNREFUSED:
        return ECONNREFUSED;
    case WSAENETUNREACH:
        return ENETUNREACH;
    case WSAEHOSTUNREACH:
        return EHOSTUNREACH;
    case WSAEINTR:
        return EINTR;
    default:
        return EIO;
    }
}

SOCKET handle(const Socket& s) {
    return static_cast<SOCKET>(static_cast<unsigned>(s.fd()));
}

// Windows hands out socket handles that fit in 32 bits; INVALID_SOCKET becomes -1.
Socket own(SOCKET s) {
    return Socket(s == INVALID_SOCKET ? -1 : static_cast<int>(s));
}

Socket nonblocking(Socket s) {
    u_long on = 1;
    if (s.is_open() && ioctlsocket(handle(s), FIONBIO, &on) != 0)
        s.close();
    return s;
}

// Winsock counts the bytes of one call in an int.
int clamp(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, 1 << 30));
}
} // namespace

void Socket::close() {
    if (m_fd >= 0)
        ::closesocket(handle(*this));
    m_fd = -1;
}

void Socket::reset() {
    if (m_fd >= 0) {
        const linger now{1, 0};
        setsockopt(handle(*this), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&now),
                   sizeof now);
    }
    close();
}

int socket_errno() {
    return errno_of(WSAGetLastError());
}

void start_sockets() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

SocketResult<Socket> start_connect(const addrinfo& address) {
    Socket s = nonblocking(own(::WSASocketW(address.ai_family, address.ai_socktype,
                                            address.ai_protocol, nullptr, 0, WSA_FLAG_OVERLAPPED)));
    if (!s.is_open() ||
        (::connect(handle(s), address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0 &&
         WSAGetLastError() != WSAEWOULDBLOCK))
        return SocketError{Failure::CannotConnect, socket_errno()};
    return s;
}

int connect_error(const Socket& s) {
    int err = 0;
    int len = sizeof err;
    if (getsockopt(handle(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0)
        return socket_errno();
    return err == 0 ? 0 : errno_of(err);
}

void set_no_delay(const Socket& s) {
    const BOOL one = TRUE;
    setsockopt(handle(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one),
               sizeof one);
}

Socket listen_on(sockaddr_storage& local) {
    int len = local.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    Socket s = nonblocking(
        own(::WSASocketW(local.ss_family, SOCK_STREAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED)));
    const SOCKET h = handle(s);
    if (!s.is_open() || ::bind(h, reinterpret_cast<sockaddr*>(&local), len) != 0 ||
        ::listen(h, 1) != 0 || getsockname(h, reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return Socket();
    return s;
}

// An accepted socket takes the listener's non-blocking mode.
Socket accept_one(const Socket& listener, sockaddr_storage& from) {
    int len = sizeof from;
    return own(::accept(handle(listener), reinterpret_cast<sockaddr*>(&from), &len));
}

bool local_address(const Socket& s, sockaddr_storage& address) {
    int len = sizeof address;
    return getsockname(handle(s), reinterpret_cast<sockaddr*>(&address), &len) == 0;
}

bool peer_address(const Socket& s, sockaddr_storage& address) {
    int len = sizeof address;
    return getpeername(handle(s), reinterpret_cast<sockaddr*>(&address), &len) == 0;
}

long long receive_once(const Socket& s, char* buffer, std::size_t size) {
    const int n = ::recv(handle(s), buffer, clamp(size), 0);
    return n == SOCKET_ERROR ? -1 : n;
}

long long send_once(const Socket& s, const char* data, std::size_t size) {
    const int n = ::send(handle(s), data, clamp(size), 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int poll_sockets(std::span<WaitFor> sockets, int ms) {
    std::vector<WSAPOLLFD> fds;
    for (const WaitFor& w : sockets)
        fds.push_back(
            {handle(*w.socket), static_cast<SHORT>(w.write ? POLLWRNORM : POLLRDNORM), 0});
    const int rc = WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), ms);
    if (rc == SOCKET_ERROR)
        return WSAGetLastError() == WSAEINTR ? 0 : -1;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        sockets[i].ready = fds[i].revents != 0;
        sockets[i].broken = (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    }
    return rc;
}

// The file is a C runtime descriptor.
long long read_file_once(int fd, char* buffer, std::size_t size) {
    return ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

} // namespace kvr::ftpnet
