// Reads, writes and waits over the platform's non-blocking socket calls, for both platforms.
#include "platform/ftp/FtpSocketCalls.h"
#include "platform/ftp/ProgressWindow.h"
#include "platform/sys/Cancel.h"

#include <algorithm>
#include <cerrno>
#include <memory>

namespace kvr::ftpnet {

namespace {
// The longest one wait on a socket lasts before the host's request to stop is asked again.
constexpr long long kSliceMs = 100;
} // namespace

const SocketError kCancelled{Failure::Cancelled, ECANCELED};
const SocketError kTimedOut{Failure::TimedOut, ETIMEDOUT};

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

Deadline deadline_from_now() {
    return std::chrono::steady_clock::now() + io_timeout();
}

std::optional<SocketError> wait_ready(std::span<WaitFor> sockets, std::optional<Deadline> until) {
    using namespace std::chrono;
    const auto deadline = until.value_or(deadline_from_now());
    for (;;) {
        if (sys::cancel_requested())
            return kCancelled;
        const long long left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return kTimedOut;
        const int rc = poll_sockets(sockets, static_cast<int>(std::min(left, kSliceMs)));
        if (rc > 0)
            return std::nullopt;
        if (rc < 0)
            return SocketError{Failure::ConnectionClosed, socket_errno()};
    }
}

std::optional<SocketError> try_again(const Socket& s, bool write, Deadline deadline) {
    const int err = socket_errno();
    if (err == EINTR)
        return std::nullopt;
    if (err != EAGAIN)
        return SocketError{failure_for_errno(err), err};
    WaitFor wait{&s, write};
    return wait_ready({&wait, 1}, deadline);
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
        const long long n = receive_once(s, buffer, size);
        if (n > 0)
            return static_cast<std::size_t>(n);
        if (n == 0)
            return SocketError{Failure::ConnectionClosed, 0};
        if (auto failure = try_again(s, false, deadline))
            return *failure;
    }
}

SocketResult<void> send_all(const Socket& s, const char* data, std::size_t size) {
    auto deadline = deadline_from_now();
    while (size > 0) {
        if (sys::cancel_requested())
            return kCancelled;
        const long long n = send_once(s, data, size);
        if (n < 0) {
            if (auto failure = try_again(s, true, deadline))
                return *failure;
            continue;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        deadline = deadline_from_now();
    }
    return {};
}

// Read and sent in large blocks: on loopback and fast links this outpaces the kernel's
// file-to-socket copy, whose page-sized pieces the receiving server drains more slowly.
SocketResult<std::uint64_t> send_file(const Socket& s, int fd, std::uint64_t size) {
    constexpr std::size_t kBlock = 256 * 1024;
    const auto block = std::make_unique<char[]>(kBlock);
    std::uint64_t sent = 0;
    ProgressWindow progress;
    while (sent < size) {
        const long long n =
            read_file_once(fd, block.get(),
                           static_cast<std::size_t>(std::min<std::uint64_t>(size - sent, kBlock)));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return SocketError{failure_for_errno(EIO), EIO};
        }
        if (auto done = send_all(s, block.get(), static_cast<std::size_t>(n)); !done)
            return done.error();
        sent += static_cast<std::uint64_t>(n);
        // A peer that reads only a trickle is noticed between blocks.
        if (!progress.add(static_cast<std::uint64_t>(n)))
            return kTimedOut;
    }
    return sent;
}

} // namespace kvr::ftpnet
