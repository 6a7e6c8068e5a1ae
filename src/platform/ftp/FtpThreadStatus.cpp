#include "platform/ftp/FtpThreadStatus.h"

#include "platform/ftp/FtpErrors.h"
#include "platform/sys/Codeset.h"

#include <cstring>

namespace kvr::ftpnet {

namespace {
thread_local std::uint32_t t_last_error = 0;
thread_local std::uint32_t t_last_failure = 0;
thread_local std::string t_last_reply; // as the server sent it
} // namespace

std::uint32_t last_error() {
    return t_last_error;
}
void set_last_error(std::uint32_t error) {
    t_last_error = error;
    if (error != code::Success)
        t_last_failure = error;
}

std::uint32_t last_failure() {
    return t_last_failure;
}
void clear_last_failure() {
    t_last_failure = code::Success;
}

std::string last_response_info() {
    return sys::from_locale_codeset(t_last_reply);
}
void set_last_response(std::string reply_bytes) {
    t_last_reply = std::move(reply_bytes);
}

bool get_last_response_info(std::uint32_t* error, char* buffer, std::size_t* length) {
    if (error)
        *error = code::Success;
    if (!length)
        return false;
    const std::string text = last_response_info();
    if (!buffer || *length < text.size()) {
        *length = text.size();
        return false;
    }
    std::memcpy(buffer, text.data(), text.size());
    if (*length > text.size())
        buffer[text.size()] = '\0';
    *length = text.size();
    return true;
}

} // namespace kvr::ftpnet
