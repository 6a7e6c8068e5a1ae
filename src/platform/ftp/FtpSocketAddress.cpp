// Connections by host text, the active-mode data listener and its accepting, written once over
// the platform's socket calls: the address structures and the resolver have the same names and
// fields in both socket libraries.
#include "platform/ftp/FtpSocketCalls.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cerrno>
#include <cstring>

namespace kvr::ftpnet {

namespace {
// Whether two addresses name the same host (their ports aside), IPv4 or IPv6.
bool same_host(const sockaddr_storage& a, const sockaddr_storage& b) {
    if (a.ss_family != b.ss_family)
        return false;
    if (a.ss_family == AF_INET)
        return reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in&>(b).sin_addr.s_addr;
    return std::memcmp(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr,
                       &reinterpret_cast<const sockaddr_in6&>(b).sin6_addr, sizeof(in6_addr)) == 0;
}

// The host text connect_host takes for an address and a port (IPv6 in brackets).
std::string host_text_of(const sockaddr_storage& address, unsigned port) {
    char text[INET6_ADDRSTRLEN] = {};
    const bool ipv6 = address.ss_family != AF_INET;
    const void* bytes =
        !ipv6 ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in&>(address).sin_addr)
              : &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    inet_ntop(address.ss_family, bytes, text, sizeof text);
    return (ipv6 ? "[" + std::string(text) + "]" : std::string(text)) + ":" + std::to_string(port);
}

// Fills the listener's announcement from its bound local address: PORT's argument for IPv4,
// EPRT's for IPv6 (then `extended`).
void announce(DataListener& listener, const sockaddr_storage& local) {
    listener.extended = local.ss_family != AF_INET;
    if (!listener.extended) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(local);
        listener.command_argument =
            port_argument(reinterpret_cast<const unsigned char*>(&in.sin_addr), ntohs(in.sin_port));
    } else {
        char text[INET6_ADDRSTRLEN] = {};
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(local);
        inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        listener.command_argument = eprt_argument(text, ntohs(in6.sin6_port));
    }
}

// Connects to one resolved address within the timeout.
SocketResult<Socket> connect_address(const addrinfo& address) {
    auto started = start_connect(address);
    if (!started)
        return started.error();
    Socket s = std::move(started.value());
    WaitFor wait{&s, true};
    if (auto failure = wait_ready({&wait, 1}))
        return *failure;
    int err = connect_error(s);
    // A connect refused without a recorded error still shows as a broken socket.
    if (err == 0 && wait.broken)
        err = ECONNREFUSED;
    if (err != 0)
        return SocketError{Failure::CannotConnect, err};
    set_no_delay(s);
    return s;
}
} // namespace

SocketResult<Socket> connect_host(const std::string& host_text) {
    start_sockets();
    HostPort hp = split_host_text(host_text);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (hp.host.empty() || getaddrinfo(hp.host.c_str(), hp.port.c_str(), &hints, &list) != 0)
        return SocketError{Failure::NameNotResolved, 0};
    SocketResult<Socket> result = SocketError{Failure::CannotConnect, 0};
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        result = connect_address(*ai);
        if (result || result.error().failure == Failure::Cancelled)
            break;
    }
    freeaddrinfo(list);
    return result;
}

bool is_ipv6(const Socket& s) {
    sockaddr_storage local{};
    return local_address(s, local) && local.ss_family == AF_INET6;
}

SocketResult<Socket> connect_beside(const Socket& control, unsigned port) {
    sockaddr_storage peer{};
    if (port == 0 || port > 65535 || !peer_address(control, peer))
        return SocketError{Failure::InvalidReply, 0};
    return connect_host(host_text_of(peer, port));
}

SocketResult<DataListener> listen_beside(const Socket& control) {
    sockaddr_storage local{};
    if (!local_address(control, local))
        return SocketError{Failure::ConnectionClosed, socket_errno()};
    if (local.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in&>(local).sin_port = 0;
    else
        reinterpret_cast<sockaddr_in6&>(local).sin6_port = 0;
    DataListener listener;
    listener.socket = listen_on(local);
    if (!listener.socket.is_open())
        return SocketError{Failure::CannotConnect, socket_errno()};
    announce(listener, local);
    return listener;
}

SocketResult<std::optional<Socket>> accept_data(const Socket& listener, const Socket& control) {
    sockaddr_storage expected{};
    if (!peer_address(control, expected))
        return SocketError{Failure::ConnectionClosed, socket_errno()};
    const Deadline deadline = deadline_from_now();
    for (;;) {
        WaitFor waits[2] = {{&listener}, {&control}};
        if (auto failure = wait_ready(waits, deadline))
            return *failure;
        if (!waits[0].ready)
            return std::optional<Socket>();
        sockaddr_storage from{};
        Socket data = accept_one(listener, from);
        if (!data.is_open()) {
            const int err = socket_errno();
            // A connection that went away before it was taken leaves the wait to go on.
            if (err == EINTR || err == EAGAIN || err == ECONNABORTED || err == ECONNRESET)
                continue;
            return SocketError{Failure::CannotConnect, err};
        }
        // Another host that reaches the port first must not feed or read the transfer.
        if (!same_host(from, expected))
            continue;
        return std::optional<Socket>(std::move(data));
    }
}

} // namespace kvr::ftpnet
