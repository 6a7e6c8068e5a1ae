// The legacy Internet library's error numbers, and the system error numbers it reported
// beside them, as the web and FTP transports leave them and the system's routines compare
// them. Declared once: the translation tables and the routines use these names.
#pragma once

#include <cstdint>

namespace kvr::code {

constexpr std::int32_t Success = 0;
constexpr std::int32_t FileNotFound = 2;
constexpr std::int32_t PathNotFound = 3;
constexpr std::int32_t AccessDenied = 5;
constexpr std::int32_t InvalidHandle = 6;
constexpr std::int32_t NotEnoughMemory = 8;
constexpr std::int32_t NoMoreFiles = 18;
constexpr std::int32_t InvalidParameter = 87; // a text that cannot go into an FTP command
constexpr std::int32_t GeneralFailure = 31;
constexpr std::int32_t DiskFull = 112;
constexpr std::int32_t Timeout = 12002;
constexpr std::int32_t ExtendedError = 12003; // the server refused with a reply
constexpr std::int32_t InternalError = 12004;
constexpr std::int32_t InvalidUrl = 12005;
constexpr std::int32_t NameNotResolved = 12007;
constexpr std::int32_t LoginFailure = 12015;
constexpr std::int32_t OperationCancelled = 12017;
constexpr std::int32_t IncorrectHandleState = 12019;
constexpr std::int32_t CannotConnect = 12029;
constexpr std::int32_t ConnectionAborted = 12030;
constexpr std::int32_t ConnectionReset = 12031;
constexpr std::int32_t HttpsToHttpOnRedirect = 12040;
constexpr std::int32_t InvalidCa = 12045;
constexpr std::int32_t InvalidServerResponse = 12152; // malformed or oversized reply
constexpr std::int32_t RedirectFailed = 12156;
constexpr std::int32_t SecurityChannelError = 12157;
constexpr std::int32_t SecureFailure = 12175;

} // namespace kvr::code
