#include "platform/ftp/FtpErrors.h"

#include <cerrno>
#include <iterator>

namespace kvr::ftpnet {

namespace {

struct FailureRow {
    Failure failure;
    std::uint32_t error;
};
constexpr FailureRow kFailureTable[] = {
    {Failure::ServerRefused, code::ExtendedError},
    {Failure::NameNotResolved, code::NameNotResolved},
    {Failure::CannotConnect, code::CannotConnect},
    {Failure::TimedOut, code::Timeout},
    {Failure::ConnectionClosed, code::ConnectionAborted},
    {Failure::ConnectionReset, code::ConnectionReset},
    {Failure::InvalidReply, code::InvalidServerResponse},
    {Failure::WrongState, code::IncorrectHandleState},
    {Failure::Cancelled, code::OperationCancelled},
    {Failure::UnsafeArgument, code::InvalidParameter},
};

struct ErrnoRow {
    int err;
    std::uint32_t error;
};
constexpr ErrnoRow kErrnoTable[] = {
    {ENOENT, code::PathNotFound},
    {ENOTDIR, code::PathNotFound},
    {EACCES, code::AccessDenied},
    {EPERM, code::AccessDenied},
    {EROFS, code::AccessDenied},
    {EISDIR, code::AccessDenied},
    {ENODEV, code::AccessDenied},
    {ENOSPC, code::DiskFull},
#ifdef EDQUOT
    {EDQUOT, code::DiskFull},
#endif
    {EFBIG, code::DiskFull},
    {ETIMEDOUT, code::Timeout},
    {EAGAIN, code::Timeout},
    {ECONNREFUSED, code::CannotConnect},
    {ENETUNREACH, code::CannotConnect},
    {EHOSTUNREACH, code::CannotConnect},
    {EPIPE, code::ConnectionAborted},
    {ECONNABORTED, code::ConnectionAborted},
    {ECONNRESET, code::ConnectionReset},
};

} // namespace

// Every reply the command did not expect, whatever its class (a refusal, or a preliminary,
// completion or intermediate reply where none was due), is an extended error: the server
// worded it, and its text is what the caller shows. A number outside 100-599 is no reply.
std::uint32_t error_for_reply(int reply_code) {
    if (reply_code >= 100 && reply_code <= 599)
        return code::ExtendedError;
    return code::InvalidServerResponse;
}

std::uint32_t error_for_failure(Failure failure) {
    for (const auto& row : kFailureTable)
        if (row.failure == failure)
            return row.error;
    return code::GeneralFailure;
}

std::uint32_t error_for_errno(int err) {
    for (const auto& row : kErrnoTable)
        if (row.err == err)
            return row.error;
    return code::GeneralFailure;
}

} // namespace kvr::ftpnet
