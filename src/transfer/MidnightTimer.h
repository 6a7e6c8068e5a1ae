// The legacy Timer: seconds since local midnight in single precision, read once per chunk
// by the receive loop. Local midnight is found once (a time-zone lookup per chunk would cost
// more than the chunk); the value still wraps to 0 at the next midnight as Timer did.
#pragma once

#include "platform/sys/Clock.h"

namespace kvr {

class MidnightTimer {
  public:
    MidnightTimer();
    float Timer() const;

  private:
    sys::TimePoint m_midnight;
};

} // namespace kvr
