// The one step of URL handling that needs a URL parser: checking an absolute http(s) URL and
// giving it a port when it names none.
#pragma once

#include <string>

namespace kvr::inet {

// The URL as the parser writes it back, with `port` added when the URL names no port and
// `port` is not the scheme's default; "" when the URL cannot be parsed or has no host.
std::string complete_url(const std::string& url, unsigned port, unsigned scheme_default);

} // namespace kvr::inet
