// The least progress a data transfer must make: a peer that trickles a few bytes now and then
// must not hold the caller for ever, while a slow but real link goes on.
#pragma once

#include <chrono>
#include <cstdint>

namespace kvr::ftpnet {

struct LowSpeed {
    std::uint64_t bytes_per_second;
    std::chrono::milliseconds window;
};

// KVR_FTP_LOW_SPEED_LIMIT bytes a second (default 100) over windows of KVR_FTP_LOW_SPEED_TIME
// seconds (default 60).
LowSpeed low_speed();

class ProgressWindow {
  public:
    explicit ProgressWindow(LowSpeed limit = low_speed());

    // Counts `bytes` more; false once a whole window has passed with less than the least
    // progress.
    bool add(std::uint64_t bytes);

  private:
    LowSpeed m_limit;
    std::chrono::steady_clock::time_point m_start;
    std::uint64_t m_bytes = 0;
};

} // namespace kvr::ftpnet
