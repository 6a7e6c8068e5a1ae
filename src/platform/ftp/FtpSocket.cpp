// The POSIX socket calls under the shared socket layer.
#include "platform/ftp/FtpSocket.h"

#include "platform/ftp/FtpSocketCalls.h"

#include <algorithm>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace kvr::ftpnet {

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

int socket_errno() {
    return errno == EWOULDBLOCK ? EAGAIN : errno;
}

void start_sockets() {}

SocketResult<Socket> start_connect(const addrinfo& address) {
    Socket s(::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                      address.ai_protocol));
    if (!s.is_open() ||
        (::connect(s.fd(), address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS))
        return SocketError{Failure::CannotConnect, errno};
    return s;
}

int connect_error(const Socket& s) {
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        return errno;
    return err;
}

void set_no_delay(const Socket& s) {
    const int one = 1;
    setsockopt(s.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

Socket listen_on(sockaddr_storage& local) {
    socklen_t len = local.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    Socket s(::socket(local.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.is_open() || ::bind(s.fd(), reinterpret_cast<sockaddr*>(&local), len) != 0 ||
        ::listen(s.fd(), 1) != 0 ||
        getsockname(s.fd(), reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return Socket();
    return s;
}

Socket accept_one(const Socket& listener, sockaddr_storage& from) {
    socklen_t len = sizeof from;
    return Socket(::accept4(listener.fd(), reinterpret_cast<sockaddr*>(&from), &len,
                            SOCK_CLOEXEC | SOCK_NONBLOCK));
}

bool local_address(const Socket& s, sockaddr_storage& address) {
    socklen_t len = sizeof address;
    return getsockname(s.fd(), reinterpret_cast<sockaddr*>(&address), &len) == 0;
}

bool peer_address(const Socket& s, sockaddr_storage& address) {
    socklen_t len = sizeof address;
    return getpeername(s.fd(), reinterpret_cast<sockaddr*>(&address), &len) == 0;
}

long long receive_once(const Socket& s, char* buffer, std::size_t size) {
    return ::recv(s.fd(), buffer, size, 0);
}

long long send_once(const Socket& s, const char* data, std::size_t size) {
    return ::send(s.fd(), data, size, MSG_NOSIGNAL);
}

int poll_sockets(std::span<WaitFor> sockets, int ms) {
    std::vector<pollfd> fds;
    for (const WaitFor& w : sockets)
        fds.push_back({w.socket->fd(), static_cast<short>(w.write ? POLLOUT : POLLIN), 0});
    const int rc = ::poll(fds.data(), fds.size(), ms);
    if (rc < 0)
        return errno == EINTR ? 0 : -1;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        sockets[i].ready = fds[i].revents != 0;
        sockets[i].broken = (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    }
    return rc;
}

long long read_file_once(int fd, char* buffer, std::size_t size) {
    return ::read(fd, buffer, size);
}

} // namespace kvr::ftpnet
