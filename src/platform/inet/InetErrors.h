// The codes the transfer control reports. Failures of a transfer are told with the Internet
// library's numbers (12xxx) and texts, translated from the HTTP engine's own codes by one
// table; calls the control refuses raise its own numbers.
#pragma once

#include <cstdint>
#include <string>

namespace kvr::inet {

// Raised by Execute.
constexpr std::int32_t icErrInitFailed = 35750;
constexpr std::int32_t icErrBadUrl = 35752;
constexpr std::int32_t icErrProtocolNotSupported = 35753;
constexpr std::int32_t icErrBadOperation = 35754;

// The Internet library's codes used here.
constexpr std::int32_t ERROR_INTERNET_TIMEOUT = 12002;
constexpr std::int32_t ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr std::int32_t ERROR_INTERNET_INVALID_URL = 12005;
constexpr std::int32_t ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr std::int32_t ERROR_INTERNET_LOGIN_FAILURE = 12015;
constexpr std::int32_t ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr std::int32_t ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr std::int32_t ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr std::int32_t ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr std::int32_t ERROR_INTERNET_INVALID_CA = 12045;
constexpr std::int32_t ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr std::int32_t ERROR_HTTP_REDIRECT_FAILED = 12156;
constexpr std::int32_t ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;
constexpr std::int32_t ERROR_INTERNET_SECURE_FAILURE = 12175;
constexpr std::int32_t ERROR_NOT_ENOUGH_MEMORY = 8;

struct InetError {
    std::int32_t code = 0; // 0: no error
    std::string text;      // "" when there is no error
};

// The Internet library's code and text for one of the HTTP engine's result codes.
InetError inet_error_from_curl(int curl_code);

// The description raised with one of the control's own numbers.
std::string inet_refusal_text(std::int32_t number);

} // namespace kvr::inet
