// The calling thread's last FTP error code and the server's last reply, kept per thread as
// the legacy library kept them: a caller reads them right after the call that failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvr::ftpnet {

std::uint32_t last_error();
void set_last_error(std::uint32_t error);

// The last error code other than success since it was cleared: why an operation failed,
// still there after the operation closed its handles (which succeeds and resets last_error).
std::uint32_t last_failure();
void clear_last_failure();

// The server's last reply, verbatim (every line of a multi-line reply, CR LF included),
// converted from the locale's codeset.
std::string last_response_info();
void set_last_response(std::string reply_bytes);

// The legacy two-call form: with a null buffer (or one too small) `length` receives the
// reply's length in bytes and the call fails; otherwise the reply is copied, NUL-terminated
// when room is left, and `length` receives the bytes copied.
bool get_last_response_info(std::uint32_t* error, char* buffer, std::size_t* length);

} // namespace kvr::ftpnet
