// The few socket calls each platform writes in its own way, and the waiting both platforms'
// socket layers share on top of them. Every socket stays non-blocking once made: a call that
// would have to wait fails with EAGAIN, and the waiting is done here, in slices short enough
// to hear the host's request to stop.
#pragma once

#include "platform/ftp/FtpSocket.h"

#include <cstddef>
#include <optional>
#include <span>

struct addrinfo;
struct sockaddr_storage;

namespace kvr::ftpnet {

// One socket waited for, and what the wait found.
struct WaitFor {
    const Socket* socket = nullptr;
    bool write = false;  // ready to write (a connect is ready when it ends) rather than to read
    bool ready = false;  // set by the wait
    bool broken = false; // set by the wait: the socket reported an error or a hang-up
};

// --- Each platform's own calls.

// The errno value (as the error tables read them) of the calling thread's last socket call
// that failed; EAGAIN when it would have had to wait.
int socket_errno();
// Readies the platform's socket library; once, before any other call here.
void start_sockets();
// A non-blocking socket whose connect to `address` has started (or already ended).
SocketResult<Socket> start_connect(const addrinfo& address);
// The error a started connect ended with; 0 when it connected.
int connect_error(const Socket& s);
// Sends each write at once rather than waiting to fill a segment.
void set_no_delay(const Socket& s);
// A non-blocking socket bound to `local` and listening; `local` then holds its port. Closed
// (socket_errno() says why) when it could not be made.
Socket listen_on(sockaddr_storage& local);
// A waiting connection, non-blocking, and its peer's address; closed when there was none.
Socket accept_one(const Socket& listener, sockaddr_storage& from);
// The socket's own address, and its peer's; false when it has none.
bool local_address(const Socket& s, sockaddr_storage& address);
bool peer_address(const Socket& s, sockaddr_storage& address);
// One receive or send: how many bytes, or -1 (socket_errno() says why).
long long receive_once(const Socket& s, char* buffer, std::size_t size);
long long send_once(const Socket& s, const char* data, std::size_t size);
// One read of a local file from its current offset: how many bytes, 0 at its end, or -1.
long long read_file_once(int fd, char* buffer, std::size_t size);
// Waits at most `ms` for any of `sockets`: how many are ready (0 also when interrupted), or -1.
int poll_sockets(std::span<WaitFor> sockets, int ms);

// --- Shared by both.

extern const SocketError kCancelled;
extern const SocketError kTimedOut;

Failure failure_for_errno(int err);
Deadline deadline_from_now();

// Waits until one of `sockets` is ready, before the deadline (the I/O timeout from now when
// none is given): nothing when one is, otherwise why not (timed out, broken, stopped).
std::optional<SocketError> wait_ready(std::span<WaitFor> sockets,
                                      std::optional<Deadline> until = std::nullopt);

// After a read (or `write`) that moved nothing: nothing when the call may be tried again (it
// was interrupted, or the socket became ready before the deadline), otherwise the failure.
std::optional<SocketError> try_again(const Socket& s, bool write, Deadline deadline);

} // namespace kvr::ftpnet
