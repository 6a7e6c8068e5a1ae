#include "platform/ftp/FtpSession.h"

#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"

#include <cstdlib>
#include <string_view>

namespace kvr::ftpnet {

std::unique_ptr<FtpSession> FtpSession::open(const std::string& agent) {
    const char* off = std::getenv("KVR_FTP_DISABLE");
    if (off && std::string_view(off) == "1") {
        set_last_error(code::GeneralFailure);
        return nullptr;
    }
    set_last_error(code::Success);
    return std::unique_ptr<FtpSession>(new FtpSession(agent));
}

} // namespace kvr::ftpnet
