#include "transfer/MidnightTimer.h"

#include <chrono>
#include <cmath>

namespace kvr {

MidnightTimer::MidnightTimer() : m_midnight(sys::today_midnight()) {}

float MidnightTimer::Timer() const {
    const double seconds = std::chrono::duration<double>(sys::now() - m_midnight).count();
    return static_cast<float>(std::fmod(seconds, 86400.0));
}

} // namespace kvr
