#include "platform/ftp/ProgressWindow.h"

#include <cstdlib>

namespace kvr::ftpnet {

namespace {
double number_from_env(const char* name, double fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    char* end = nullptr;
    double n = std::strtod(v, &end);
    return (end && *end == '\0' && n >= 0 && n < 1e12) ? n : fallback;
}
} // namespace

LowSpeed low_speed() {
    double seconds = number_from_env("KVR_FTP_LOW_SPEED_TIME", 60);
    if (seconds <= 0)
        seconds = 60;
    return {static_cast<std::uint64_t>(number_from_env("KVR_FTP_LOW_SPEED_LIMIT", 100)),
            std::chrono::milliseconds(static_cast<long>(seconds * 1000))};
}

ProgressWindow::ProgressWindow(LowSpeed limit)
    : m_limit(limit), m_start(std::chrono::steady_clock::now()) {}

bool ProgressWindow::add(std::uint64_t bytes) {
    m_bytes += bytes;
    const auto now = std::chrono::steady_clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start);
    if (elapsed < m_limit.window)
        return true;
    const double least = static_cast<double>(m_limit.bytes_per_second) *
                         static_cast<double>(m_limit.window.count()) / 1000.0;
    if (static_cast<double>(m_bytes) < least)
        return false;
    m_start = now;
    m_bytes = 0;
    return true;
}

} // namespace kvr::ftpnet
