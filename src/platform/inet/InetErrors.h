// The codes the transfer control reports. Failures of a transfer are told with the Internet
// library's numbers (12xxx) and texts, translated from the HTTP engine's own codes by one
// table; calls the control refuses raise its own numbers.
#pragma once

#include "platform/sys/InternetErrors.h"

#include <cstdint>
#include <string>

namespace kvr::inet {

// Raised by Execute.
constexpr std::int32_t icErrInitFailed = 35750;
constexpr std::int32_t icErrBadUrl = 35752;
constexpr std::int32_t icErrProtocolNotSupported = 35753;
constexpr std::int32_t icErrBadOperation = 35754;

struct InetError {
    std::int32_t code = 0; // 0: no error
    std::string text;      // "" when there is no error
};

// The Internet library's code and text for one of the HTTP engine's result codes.
InetError inet_error_from_curl(int curl_code);

// The Internet library's text for one of its codes.
std::string inet_error_text(std::int32_t code);

// Windows: a code the Internet library itself reported, kept as it is, with its text.
InetError inet_error_from_native(std::uint32_t code);

// One of the Internet library's codes with its text.
InetError inet_error(std::int32_t code);

// The description raised with one of the control's own numbers.
std::string inet_refusal_text(std::int32_t number);

} // namespace kvr::inet
