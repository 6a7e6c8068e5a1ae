// The Internet Transfer control's settable properties, shared by the platforms' engines.
#pragma once

#include "platform/inet/Inet.h"

namespace kvr::inet {

// The properties a request is made from, the same on every platform.
struct Inet::Settings {
    int protocol = icHTTP;
    int access = icUseDefault;
    std::string proxy;
    std::int16_t remote_port = 80;
    std::string url;
    std::string user;
    std::string password;
};

// A positive whole number from the environment (so that tests can use short limits), or the
// fallback when the variable is unset, empty or not such a number.
long number_from_env(const char* name, long fallback);

} // namespace kvr::inet
