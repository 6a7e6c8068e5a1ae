// Where a request goes: the URL as given, completed with the control's Protocol and
// RemotePort where it leaves them open.
#pragma once

#include <cstdint>
#include <string>

namespace kvr::inet {

struct RequestUrl {
    std::string url; // absolute, with scheme, and a port when it is not the scheme's default
    bool https = false;
};

// The URL's own scheme decides HTTP or HTTPS, otherwise `protocol` does (icHTTPS is HTTPS,
// anything else HTTP). The URL's own port wins; otherwise `remote_port` (read as unsigned),
// except that HTTPS with the default 80 goes to 443, and 0 means the scheme's default.
// Blanks, control characters and bytes beyond ASCII are percent-encoded as they stand.
// Raises ComError (icErrBadUrl, icErrProtocolNotSupported) for a URL that cannot be used.
RequestUrl resolve_request_url(const std::string& url, int protocol, std::int16_t remote_port);

} // namespace kvr::inet
