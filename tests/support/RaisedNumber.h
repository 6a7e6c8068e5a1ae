// The automation error a call raises: number 0 when it returns.
#pragma once

#include "platform/automation/ComError.h"

#include <cstdint>
#include <functional>

namespace kvr::test {

inline ComError raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const ComError& e) {
        return e;
    }
    return ComError(0, "", "nothing raised");
}

inline std::int32_t raised_number(const std::function<void()>& f) {
    return raised(f).number();
}

} // namespace kvr::test
