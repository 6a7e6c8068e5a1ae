#include "platform/ftp/FtpSocketAddress.h"

// The address structures have the same names and fields in both socket libraries.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstring>

namespace kvr::ftpnet {

bool same_host(const sockaddr_storage& a, const sockaddr_storage& b) {
    if (a.ss_family != b.ss_family)
        return false;
    if (a.ss_family == AF_INET)
        return reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in&>(b).sin_addr.s_addr;
    return std::memcmp(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr,
                       &reinterpret_cast<const sockaddr_in6&>(b).sin6_addr, sizeof(in6_addr)) == 0;
}

std::string host_text_of(const sockaddr_storage& address, unsigned port) {
    char text[INET6_ADDRSTRLEN] = {};
    const bool ipv6 = address.ss_family != AF_INET;
    const void* bytes =
        !ipv6 ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in&>(address).sin_addr)
              : &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    inet_ntop(address.ss_family, bytes, text, sizeof text);
    return (ipv6 ? "[" + std::string(text) + "]" : std::string(text)) + ":" + std::to_string(port);
}

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

} // namespace kvr::ftpnet
