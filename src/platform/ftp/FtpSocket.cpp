#include "platform/ftp/FtpSocket.h"

#include "platform/ftp/FtpSocketAddress.h"
#include "platform/ftp/ProgressWindow.h"
#include "platform/sys/Cancel.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kvr::ftpnet {

namespace {
Failure failure_for_errno(int err) {
    switch (err) {
    case EAGAIN:
    case ETIMEDOUT:
        return Failure::TimedOut;
    case ECONNRESET:
        return Failure::ConnectionReset;
    case EPIPE:
    case ECONNABORTED:
        return Failure::ConnectionClosed;
    default:
        return Failure::CannotConnect;
    }
}

// The longest one wait on a socket lasts before the host's request to stop is asked again.
constexpr long kSliceMs = 100;

const SocketError kCancelled{Failure::Cancelled, ECANCELED};
const SocketError kTimedOut{Failure::TimedOut, ETIMEDOUT};

// Waits until one of `fds` is ready, within the timeout, in slices; the failure when it timed
// out, broke or the host asked the thread to stop.
std::optional<SocketError> wait_ready(pollfd* fds, nfds_t count,
                                      std::optional<Deadline> until = std::nullopt) {
    using namespace std::chrono;
    const auto deadline = until.value_or(steady_clock::now() + io_timeout());
    for (;;) {
        if (sys::cancel_requested())
            return kCancelled;
        const long left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return kTimedOut;
        const int rc = ::poll(fds, count, static_cast<int>(std::min(left, kSliceMs)));
        if (rc > 0)
            return std::nullopt;
        if (rc < 0 && errno != EINTR)
            return SocketError{Failure::ConnectionClosed, errno};
    }
}

// A socket call that could do nothing for one slice (EAGAIN): nothing to try again; the
// failure when the host asked the thread to stop or the whole timeout has passed.
std::optional<SocketError> keep_waiting(std::chrono::steady_clock::time_point deadline) {
    if (sys::cancel_requested())
        return kCancelled;
    if (std::chrono::steady_clock::now() >= deadline)
        return kTimedOut;
    return std::nullopt;
}

std::chrono::steady_clock::time_point deadline_from_now() {
    return std::chrono::steady_clock::now() + io_timeout();
}
} // namespace

void Socket::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void Socket::reset() {
    if (m_fd >= 0) {
        const linger now{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    }
    close();
}

void set_receive_timeout(const Socket& s, std::chrono::milliseconds timeout) {
    auto ms = timeout.count();
    timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
    setsockopt(s.fd(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

SocketResult<Socket> connect_host(const std::string& host_text) {
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
        Socket s(::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                          ai->ai_protocol));
        if (!s.is_open())
            continue;
        int rc = ::connect(s.fd(), ai->ai_addr, ai->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{s.fd(), POLLOUT, 0};
            if (auto failure = wait_ready(&p, 1)) {
                error = *failure;
                if (failure->failure == Failure::Cancelled)
                    break;
                continue;
            }
            int so_error = 0;
            socklen_t len = sizeof so_error;
            getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &so_error, &len);
            rc = so_error == 0 ? 0 : -1;
            errno = so_error;
        }
        if (rc != 0) {
            error = {Failure::CannotConnect, errno};
            continue;
        }
        int flags = fcntl(s.fd(), F_GETFL);
        fcntl(s.fd(), F_SETFL, flags & ~O_NONBLOCK);
        int one = 1;
        setsockopt(s.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        apply_timeouts(s);
        connected = std::move(s);
    }
    freeaddrinfo(list);
    if (!connected)
        return error;
    return std::move(*connected);
}

void apply_timeouts(const Socket& s) {
    // Each blocking call waits one slice at most; the calls below count the whole timeout.
    const long ms = kSliceMs;
    timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
    setsockopt(s.fd(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(s.fd(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

SocketResult<std::size_t> receive_some(const Socket& s, char* buffer, std::size_t size,
                                       std::optional<Deadline> until) {
    // Asked before every read, so that a transfer that never has to wait can be stopped too.
    if (sys::cancel_requested())
        return kCancelled;
    // A peer that always has more to say must still end within the caller's deadline.
    if (until && std::chrono::steady_clock::now() >= *until)
        return kTimedOut;
    const auto deadline = until.value_or(deadline_from_now());
    for (;;) {
        ssize_t n = ::recv(s.fd(), buffer, size, 0);
        if (n > 0)
            return static_cast<std::size_t>(n);
        if (n == 0)
            return SocketError{Failure::ConnectionClosed, 0};
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (auto failure = keep_waiting(deadline))
                return *failure;
            continue;
        }
        return SocketError{failure_for_errno(errno), errno};
    }
}

SocketResult<void> send_all(const Socket& s, const char* data, std::size_t size) {
    auto deadline = deadline_from_now();
    while (size > 0) {
        if (sys::cancel_requested())
            return kCancelled;
        ssize_t n = ::send(s.fd(), data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (auto failure = keep_waiting(deadline))
                    return *failure;
                continue;
            }
            return SocketError{failure_for_errno(errno), errno};
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        deadline = deadline_from_now();
    }
    return {};
}

SocketResult<std::uint64_t> send_file(const Socket& s, int fd, std::uint64_t size) {
    // SIGPIPE is held back on this thread while sending, and a pending one is swallowed after.
    sigset_t pipe_only, old;
    sigemptyset(&pipe_only);
    sigaddset(&pipe_only, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_only, &old);
    // Pieces small enough that a host's request to stop is heard between them.
    constexpr std::uint64_t kPiece = 8 << 20;
    auto deadline = deadline_from_now();
    std::uint64_t sent = 0;
    std::optional<SocketError> error;
    ProgressWindow progress;
    while (sent < size) {
        if (sys::cancel_requested()) {
            error = kCancelled;
            break;
        }
        const auto piece = static_cast<std::size_t>(std::min(size - sent, kPiece));
        ssize_t n = ::sendfile(s.fd(), fd, nullptr, piece);
        if (n > 0) {
            sent += static_cast<std::uint64_t>(n);
            deadline = deadline_from_now();
            // A peer that reads only a trickle is noticed between pieces.
            if (progress.add(static_cast<std::uint64_t>(n)))
                continue;
            error = kTimedOut;
            break;
        }
        if (n == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN) {
            if (auto failure = keep_waiting(deadline)) {
                error = *failure;
                break;
            }
            continue;
        }
        error = SocketError{failure_for_errno(errno), errno};
        break;
    }
    sigset_t pending;
    sigpending(&pending);
    if (sigismember(&pending, SIGPIPE) && !sigismember(&old, SIGPIPE)) {
        timespec zero{0, 0};
        sigtimedwait(&pipe_only, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (error)
        return *error;
    return sent;
}

SocketResult<DataListener> listen_beside(const Socket& control) {
    sockaddr_storage local{};
    socklen_t len = sizeof local;
    if (getsockname(control.fd(), reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return SocketError{Failure::ConnectionClosed, errno};
    if (local.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in&>(local).sin_port = 0;
    else
        reinterpret_cast<sockaddr_in6&>(local).sin6_port = 0;
    DataListener listener;
    listener.socket = Socket(::socket(local.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int fd = listener.socket.fd();
    if (!listener.socket.is_open() || ::bind(fd, reinterpret_cast<sockaddr*>(&local), len) != 0 ||
        ::listen(fd, 1) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return SocketError{Failure::CannotConnect, errno};
    announce(listener, local);
    return listener;
}

SocketResult<std::optional<Socket>> accept_data(const Socket& listener, const Socket& control) {
    sockaddr_storage expected{};
    if (!peer_address(control, expected))
        return SocketError{Failure::ConnectionClosed, errno};
    const Deadline deadline = deadline_from_now();
    for (;;) {
        pollfd p[2] = {{listener.fd(), POLLIN, 0}, {control.fd(), POLLIN, 0}};
        if (auto failure = wait_ready(p, 2, deadline))
            return *failure;
        if (!(p[0].revents & POLLIN))
            return std::optional<Socket>();
        sockaddr_storage from{};
        socklen_t len = sizeof from;
        Socket data(
            ::accept4(listener.fd(), reinterpret_cast<sockaddr*>(&from), &len, SOCK_CLOEXEC));
        if (!data.is_open()) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return SocketError{Failure::CannotConnect, errno};
        }
        // Another host that reaches the port first must not feed or read the transfer.
        if (!same_host(from, expected))
            continue;
        apply_timeouts(data);
        return std::optional<Socket>(std::move(data));
    }
}

bool local_address(const Socket& s, sockaddr_storage& address) {
    socklen_t len = sizeof address;
    return getsockname(s.fd(), reinterpret_cast<sockaddr*>(&address), &len) == 0;
}

bool peer_address(const Socket& s, sockaddr_storage& address) {
    socklen_t len = sizeof address;
    return getpeername(s.fd(), reinterpret_cast<sockaddr*>(&address), &len) == 0;
}

} // namespace kvr::ftpnet
