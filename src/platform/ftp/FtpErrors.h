// The error codes (InternetErrors.h) the FTP transport leaves as the thread's last error, and the
// one table that turns what went wrong (a server reply, a socket failure, a local file failure)
// into them. The codes are those the legacy Internet library used, so the FTP class reads them as
// it always did.
#pragma once

#include "platform/sys/InternetErrors.h"

#include <cstdint>

namespace kvr::ftpnet {

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
    Cancelled,        // the host asked the calling thread to stop waiting (Ctrl-C)
    UnsafeArgument,   // a CR, LF or NUL in a text that would go into a command
};

// The one translation table: a reply code the command did not expect -> error code.
std::uint32_t error_for_reply(int reply_code);
// A failure -> error code (ServerRefused gives the reply table's answer for 500).
std::uint32_t error_for_failure(Failure failure);
// errno of a failed local file or socket call -> error code.
std::uint32_t error_for_errno(int err);

} // namespace kvr::ftpnet
