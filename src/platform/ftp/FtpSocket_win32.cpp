#include "platform/ftp/FtpSocket.h"

#include "platform/ftp/FtpSocketAddress.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace kvr::ftpnet {

namespace {
// Winsock's codes as the errno values the error tables are written in.
int errno_of(int wsa) {
    switch (wsa) {
    case WSAETIMEDOUT:
    case WSAEWOULDBLOCK:
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

int last_errno() {
    return errno_of(WSAGetLastError());
}

Failure failure_for_errno(int err) {
    switch (err) {
    case ETIMEDOUT:
        return Failure::TimedOut;
    case ECONNRESET:
        return Failure::ConnectionReset;
    case ECONNABORTED:
        return Failure::ConnectionClosed;
    default:
        return Failure::CannotConnect;
    }
}

SOCKET handle(const Socket& s) {
    return static_cast<SOCKET>(static_cast<unsigned>(s.fd()));
}

// Windows hands out socket handles that fit in 32 bits; INVALID_SOCKET becomes -1.
int as_fd(SOCKET s) {
    return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}

void start_winsock() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

void set_timeout(const Socket& s, int option, std::chrono::milliseconds timeout) {
    DWORD ms = static_cast<DWORD>(timeout.count());
    setsockopt(handle(s), SOL_SOCKET, option, reinterpret_cast<const char*>(&ms), sizeof ms);
}

int timeout_ms() {
    return static_cast<int>(io_timeout().count());
}

// What is left of the time until `deadline`, in whole milliseconds (0 once it has passed).
int ms_until(Deadline deadline) {
    using namespace std::chrono;
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
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

SocketResult<Socket> connect_host(const std::string& host_text) {
    start_winsock();
    HostPort hp = split_host_text(host_text);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (hp.host.empty() || getaddrinfo(hp.host.c_str(), hp.port.c_str(), &hints, &list) != 0)
        return SocketError{Failure::NameNotResolved, 0};
    SocketError error{Failure::CannotConnect, 0};
    std::optional<Socket> connected;
    for (addrinfo* ai = list; ai && !connected; ai = ai->ai_next) {
        Socket s(as_fd(::WSASocketW(ai->ai_family, ai->ai_socktype, ai->ai_protocol, nullptr, 0,
                                    WSA_FLAG_OVERLAPPED)));
        if (!s.is_open())
            continue;
        u_long nonblocking = 1;
        ioctlsocket(handle(s), FIONBIO, &nonblocking);
        int rc = ::connect(handle(s), ai->ai_addr, static_cast<int>(ai->ai_addrlen));
        int err = rc == 0 ? 0 : WSAGetLastError();
        if (rc != 0 && err == WSAEWOULDBLOCK) {
            WSAPOLLFD p{handle(s), POLLOUT, 0};
            rc = WSAPoll(&p, 1, timeout_ms());
            if (rc == 0) {
                error = {Failure::TimedOut, ETIMEDOUT};
                continue;
            }
            int so_error = 0;
            int len = sizeof so_error;
            getsockopt(handle(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &len);
            rc = so_error == 0 && !(p.revents & (POLLERR | POLLHUP)) ? 0 : -1;
            err = so_error ? so_error : WSAECONNREFUSED;
        }
        if (rc != 0) {
            error = {Failure::CannotConnect, errno_of(err)};
            continue;
        }
        nonblocking = 0;
        ioctlsocket(handle(s), FIONBIO, &nonblocking);
        BOOL one = TRUE;
        setsockopt(handle(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one),
                   sizeof one);
        apply_timeouts(s);
        connected = std::move(s);
    }
    freeaddrinfo(list);
    if (!connected)
        return error;
    return std::move(*connected);
}

void apply_timeouts(const Socket& s) {
    set_timeout(s, SO_RCVTIMEO, io_timeout());
    set_timeout(s, SO_SNDTIMEO, io_timeout());
}

void set_receive_timeout(const Socket& s, std::chrono::milliseconds timeout) {
    set_timeout(s, SO_RCVTIMEO, timeout);
}

SocketResult<std::size_t> receive_some(const Socket& s, char* buffer, std::size_t size,
                                       std::optional<Deadline> deadline) {
    // A timed-out blocking recv leaves a Winsock connection unusable, so a deadline is waited
    // for before reading, and a peer that always has more to say still ends within it.
    if (deadline) {
        WSAPOLLFD p{handle(s), POLLRDNORM, 0};
        const int rc = WSAPoll(&p, 1, ms_until(*deadline));
        if (rc == 0)
            return SocketError{Failure::TimedOut, ETIMEDOUT};
        if (rc < 0) {
            int err = last_errno();
            return SocketError{failure_for_errno(err), err};
        }
    }
    int n = ::recv(handle(s), buffer, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
    if (n > 0)
        return static_cast<std::size_t>(n);
    if (n == 0)
        return SocketError{Failure::ConnectionClosed, 0};
    int err = last_errno();
    return SocketError{failure_for_errno(err), err};
}

SocketResult<void> send_all(const Socket& s, const char* data, std::size_t size) {
    while (size > 0) {
        int n = ::send(handle(s), data, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0);
        if (n == SOCKET_ERROR) {
            int err = last_errno();
            return SocketError{failure_for_errno(err), err};
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

// The file is a C runtime descriptor: read in large blocks from its current offset and sent.
SocketResult<std::uint64_t> send_file(const Socket& s, int fd, std::uint64_t size) {
    constexpr unsigned kBlock = 256 * 1024;
    auto block = std::make_unique<char[]>(kBlock);
    std::uint64_t sent = 0;
    while (sent < size) {
        int n = ::_read(fd, block.get(),
                        static_cast<unsigned>(std::min<std::uint64_t>(size - sent, kBlock)));
        if (n == 0)
            break;
        if (n < 0)
            return SocketError{Failure::CannotConnect, EIO};
        if (auto done = send_all(s, block.get(), static_cast<std::size_t>(n)); !done)
            return done.error();
        sent += static_cast<std::uint64_t>(n);
    }
    return sent;
}

SocketResult<DataListener> listen_beside(const Socket& control) {
    sockaddr_storage local{};
    int len = sizeof local;
    if (getsockname(handle(control), reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return SocketError{Failure::ConnectionClosed, last_errno()};
    if (local.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in&>(local).sin_port = 0;
    else
        reinterpret_cast<sockaddr_in6&>(local).sin6_port = 0;
    DataListener listener;
    listener.socket = Socket(
        as_fd(::WSASocketW(local.ss_family, SOCK_STREAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED)));
    const SOCKET fd = handle(listener.socket);
    if (!listener.socket.is_open() || ::bind(fd, reinterpret_cast<sockaddr*>(&local), len) != 0 ||
        ::listen(fd, 1) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return SocketError{Failure::CannotConnect, last_errno()};
    announce(listener, local);
    return listener;
}

SocketResult<std::optional<Socket>> accept_data(const Socket& listener, const Socket& control) {
    sockaddr_storage expected{};
    if (!peer_address(control, expected))
        return SocketError{Failure::ConnectionClosed, last_errno()};
    const Deadline deadline = std::chrono::steady_clock::now() + io_timeout();
    for (;;) {
        WSAPOLLFD p[2] = {{handle(listener), POLLRDNORM, 0}, {handle(control), POLLRDNORM, 0}};
        const int wait = ms_until(deadline);
        const int rc = wait > 0 ? WSAPoll(p, 2, wait) : 0;
        if (rc == 0)
            return SocketError{Failure::TimedOut, ETIMEDOUT};
        if (rc < 0)
            return SocketError{Failure::ConnectionClosed, last_errno()};
        if (!(p[0].revents & POLLRDNORM))
            return std::optional<Socket>();
        sockaddr_storage from{};
        int len = sizeof from;
        Socket data(as_fd(::accept(handle(listener), reinterpret_cast<sockaddr*>(&from), &len)));
        if (!data.is_open()) {
            const int err = WSAGetLastError();
            if (err == WSAECONNRESET || err == WSAEINTR)
                continue;
            return SocketError{Failure::CannotConnect, errno_of(err)};
        }
        // Another host that reaches the port first must not feed or read the transfer.
        if (!same_host(from, expected))
            continue;
        apply_timeouts(data);
        return std::optional<Socket>(std::move(data));
    }
}

bool local_address(const Socket& s, sockaddr_storage& address) {
    int len = sizeof address;
    return getsockname(handle(s), reinterpret_cast<sockaddr*>(&address), &len) == 0;
}

bool peer_address(const Socket& s, sockaddr_storage& address) {
    int len = sizeof address;
    return getpeername(handle(s), reinterpret_cast<sockaddr*>(&address), &len) == 0;
}

} // namespace kvr::ftpnet
