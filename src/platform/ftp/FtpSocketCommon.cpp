// The parts of the socket layer every platform shares: host texts, the timeout, ownership.
#include "platform/ftp/FtpSocket.h"

#include <cstdlib>

namespace kvr::ftpnet {

namespace {
constexpr const char* kDefaultPort = "21";

bool all_digits(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}
} // namespace

HostPort split_host_text(const std::string& text) {
    if (!text.empty() && text.front() == '[') {
        auto close = text.find(']');
        if (close != std::string::npos) {
            std::string host = text.substr(1, close - 1);
            std::string rest = text.substr(close + 1);
            if (rest.size() > 1 && rest[0] == ':' && all_digits(rest.substr(1)))
                return {host, rest.substr(1)};
            return {host, kDefaultPort};
        }
    }
    auto colon = text.find(':');
    if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos &&
        all_digits(text.substr(colon + 1)))
        return {text.substr(0, colon), text.substr(colon + 1)};
    return {text, kDefaultPort}; // a bare name, or an IPv6 address without brackets
}

std::chrono::milliseconds io_timeout() {
    if (const char* v = std::getenv("KVR_FTP_TIMEOUT"); v && *v) {
        char* end = nullptr;
        double seconds = std::strtod(v, &end);
        if (end && *end == '\0' && seconds > 0 && seconds < 86400)
            return std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    }
    return std::chrono::seconds(60);
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = other.release();
    }
    return *this;
}

int Socket::release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

std::string port_argument(const unsigned char* address, unsigned port) {
    return std::to_string(address[0]) + "," + std::to_string(address[1]) + "," +
           std::to_string(address[2]) + "," + std::to_string(address[3]) + "," +
           std::to_string(port >> 8) + "," + std::to_string(port & 0xff);
}

std::string eprt_argument(const std::string& address_text, unsigned port) {
    return "|2|" + address_text + "|" + std::to_string(port) + "|";
}

} // namespace kvr::ftpnet
