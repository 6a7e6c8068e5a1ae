// The addresses of connected sockets, shared by both platforms' socket layers.
#pragma once

#include "platform/ftp/FtpSocket.h"

#include <string>

struct sockaddr_storage;

namespace kvr::ftpnet {

// The platform's answers: the socket's own address, and its peer's; false when it has none.
bool local_address(const Socket& s, sockaddr_storage& address);
bool peer_address(const Socket& s, sockaddr_storage& address);

// Whether two addresses name the same host (their ports aside), IPv4 or IPv6.
bool same_host(const sockaddr_storage& a, const sockaddr_storage& b);

// The host text connect_host takes for an address and a port (IPv6 in brackets).
std::string host_text_of(const sockaddr_storage& address, unsigned port);

// Fills the listener's announcement from its bound local address: PORT's argument for IPv4,
// EPRT's for IPv6 (then `extended`).
void announce(DataListener& listener, const sockaddr_storage& local);

} // namespace kvr::ftpnet
