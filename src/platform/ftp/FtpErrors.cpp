#include "platform/ftp/FtpErrors.h"

#include <cerrno>
#include <iterator>

namespace kvr::ftpnet {

namespace {

// Reply ranges, first match wins. Every refusal the server words itself is an extended
// error: its text is what the caller shows, so it must stay available as the last reply.
struct ReplyRow {
    int first;
    int last;
    std::uint32_t error;
};
constexpr ReplyRow kReplyTable[] = {
    {100, 199, code::ExtendedError}, // a preliminary reply where none was expected
    {200, 299, code::ExtendedError}, // completion of something not asked for
    {300, 399, code::ExtendedError}, // an intermediate reply where none was expected
    {400, 499, code::ExtendedError}, // transient refusal (421, 425, 426, 450, 451, 452)
    {500, 599, code::ExtendedError}, // permanent refusal (500-504, 530, 532, 550-553)
};

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
    {Failure::InvalidReply, code::InvalidResponse},
    {Failure::WrongState, code::IncorrectHandleState},
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
    {ENOSPC, code::DiskFull},
    {EDQUOT, code::DiskFull},
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

std::uint32_t error_for_reply(int reply_code) {
    for (const auto& row : kReplyTable)
        if (reply_code >= row.first && reply_code <= row.last)
            return row.error;
    return code::InvalidResponse;
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
