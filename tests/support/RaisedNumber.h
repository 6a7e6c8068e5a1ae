// The number of the automation error a call raises: 0 when it returns.
#pragma once

#include "platform/automation/ComError.h"

#include <cstdint>
#include <functional>

namespace kvr::test {

inline std::int32_t raised_number(const std::function<void()>& f) {
    try {
        f();
    } catch (const ComError& e) {
        return e.number();
    }
    return 0;
}

} // namespace kvr::test
