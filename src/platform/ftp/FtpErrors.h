// The error codes the FTP transport leaves as the thread's last error, and the one table
// that turns what went wrong (a server reply, a socket failure, a local file failure) into
// them. The codes are those the legacy Internet library used, so the FTP class reads them
// as it always did.
#pragma once

#include <cstdint>

namespace kvr::ftpnet {

namespace code {
constexpr std::uint32_t Success = 0;
constexpr std::uint32_t FileNotFound = 2;
constexpr std::uint32_t PathNotFound = 3;
constexpr std::uint32_t AccessDenied = 5;
constexpr std::uint32_t InvalidHandle = 6;
constexpr std::uint32_t NoMoreFiles = 18;
constexpr std::uint32_t GeneralFailure = 31;
constexpr std::uint32_t DiskFull = 112;
constexpr std::uint32_t Timeout = 12002;
constexpr std::uint32_t ExtendedError = 12003; // the server refused with a reply
constexpr std::uint32_t NameNotResolved = 12007;
constexpr std::uint32_t IncorrectHandleState = 12019;
constexpr std::uint32_t CannotConnect = 12029;
constexpr std::uint32_t ConnectionAborted = 12030;
constexpr std::uint32_t ConnectionReset = 12031;
constexpr std::uint32_t InvalidResponse = 12152; // malformed or oversized reply
} // namespace code

// What can end an FTP operation other than the expected reply.
enum class Failure {
    ServerRefused,    // a reply outside the command's expected codes
    NameNotResolved,  // the host text names no address
    CannotConnect,    // connection refused or unreachable
    TimedOut,         // connect, read or write took longer than the timeout
    ConnectionClosed, // the server closed the control or data connection
    ConnectionReset,  // the peer reset a connection
    InvalidReply,     // a reply that is not a reply, or one of absurd length
    WrongState,       // a command the session cannot take now (no login, a find open)
};

// The one translation table: a reply code the command did not expect -> error code.
std::uint32_t error_for_reply(int reply_code);
// A failure -> error code (ServerRefused gives the reply table's answer for 500).
std::uint32_t error_for_failure(Failure failure);
// errno of a failed local file or socket call -> error code.
std::uint32_t error_for_errno(int err);

} // namespace kvr::ftpnet
