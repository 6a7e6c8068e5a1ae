#include "platform/inet/UrlParts.h"

namespace kvr::inet {

namespace {
bool all_digits(const std::string& s) {
    if (s.empty() || s.size() > 5)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return std::stoul(s) <= 65535;
}
} // namespace

// The authority is read by hand: the Internet library takes the URL text as it is.
std::string complete_url(const std::string& url, unsigned port, unsigned scheme_default) {
    auto start = url.find("://");
    if (start == std::string::npos)
        return {};
    start += 3;
    auto end = url.find_first_of("/?#", start);
    if (end == std::string::npos)
        end = url.size();
    std::string authority = url.substr(start, end - start);
    auto at = authority.rfind('@');
    std::string host_port = at == std::string::npos ? authority : authority.substr(at + 1);
    std::string host;
    std::string named_port;
    bool has_port = false;
    if (!host_port.empty() && host_port[0] == '[') {
        auto close = host_port.find(']');
        if (close == std::string::npos)
            return {};
        host = host_port.substr(1, close - 1);
        if (close + 1 < host_port.size()) {
            if (host_port[close + 1] != ':')
                return {};
            has_port = true;
            named_port = host_port.substr(close + 2);
        }
    } else {
        auto colon = host_port.find(':');
        host = host_port.substr(0, colon);
        if (colon != std::string::npos) {
            has_port = true;
            named_port = host_port.substr(colon + 1);
        }
    }
    if (host.empty() || (has_port && !all_digits(named_port)))
        return {};
    std::string out = url;
    if (end == url.size())
        out += '/';
    if (!has_port && port != scheme_default)
        out.insert(end, ":" + std::to_string(port));
    return out;
}

} // namespace kvr::inet
