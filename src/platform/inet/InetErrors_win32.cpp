#include "platform/inet/InetErrors.h"

namespace kvr::inet {

InetError inet_error_from_native(std::uint32_t code) {
    if (code == 0)
        return {};
    return {static_cast<std::int32_t>(code), inet_error_text(static_cast<std::int32_t>(code))};
}

} // namespace kvr::inet
