// The sockets under the FTP transport: a host text resolved and connected with a timeout,
// reads and writes that give up after the timeout, and the active-mode data listener.
#pragma once

#include "platform/ftp/FtpErrors.h"
#include "platform/sys/Result.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kvr::ftpnet {

// A host text split into name and port: "host", "host:2121", "[::1]:2121", "::1".
struct HostPort {
    std::string host;
    std::string port;
};
HostPort split_host_text(const std::string& text);

// Seconds allowed for a connect, for every read or write, and for a whole reply (from the
// command to its final line): KVR_FTP_TIMEOUT when set to a positive number, otherwise 60.
std::chrono::milliseconds io_timeout();

using Deadline = std::chrono::steady_clock::time_point;

class Socket {
  public:
    Socket() = default;
    explicit Socket(int fd) : m_fd(fd) {}
    Socket(Socket&& other) noexcept : m_fd(other.release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() { close(); }

    int fd() const { return m_fd; }
    bool is_open() const { return m_fd >= 0; }
    int release();
    void close();
    // Closes with a reset rather than an end of data: the peer sees the transfer broken.
    void reset();

  private:
    int m_fd = -1;
};

// What a socket call came to when it did not succeed.
struct SocketError {
    Failure failure = Failure::ConnectionClosed;
    int err = 0; // errno, when there was one
};
template <typename T> using SocketResult = sys::Result<T, SocketError>;

// Connects to the host text's address (port 21 unless it names one) within the timeout.
SocketResult<Socket> connect_host(const std::string& host_text);

// The calls below wait in short slices, asking between them whether the host wants the work
// to stop (then they fail with Cancelled), and count the whole timeout across the slices.

// Reads what is there (at most `size`): how many bytes; 0 bytes is a failure (ConnectionClosed).
// With a deadline, nothing arriving before it is a failure (TimedOut).
SocketResult<std::size_t> receive_some(const Socket& s, char* buffer, std::size_t size,
                                       std::optional<Deadline> deadline = std::nullopt);
// Writes all of `data`, or fails.
SocketResult<void> send_all(const Socket& s, const char* data, std::size_t size);

// Sends up to `size` bytes of the open file `fd` (from its current offset): how many were
// sent, fewer when the file ended first. A file that cannot be read gives EIO; a peer that
// closes gives EPIPE, never a signal.
SocketResult<std::uint64_t> send_file(const Socket& s, int fd, std::uint64_t size);

// The argument of PORT for an IPv4 address (4 bytes) and port, and of EPRT for an IPv6 one.
std::string port_argument(const unsigned char* address, unsigned port);
std::string eprt_argument(const std::string& address_text, unsigned port);

// Whether the connected socket speaks IPv6 (EPSV/EPRT rather than PASV/PORT).
bool is_ipv6(const Socket& s);

// A listener on the control connection's local address, any port, with the argument of the
// command that announces it: PORT's (IPv4) or EPRT's (IPv6, `extended`).
struct DataListener {
    Socket socket;
    std::string command_argument;
    bool extended = false;
};
SocketResult<DataListener> listen_beside(const Socket& control);

// Waits for the server's data connection; nothing when the control connection spoke first
// (a reply is due). Only a connection from the control connection's peer address is taken:
// any other is closed unread and the wait goes on, within the same timeout.
SocketResult<std::optional<Socket>> accept_data(const Socket& listener, const Socket& control);

// Passive mode: a data connection to `port` on the control connection's peer address,
// whatever address the server's reply named.
SocketResult<Socket> connect_beside(const Socket& control, unsigned port);

} // namespace kvr::ftpnet
