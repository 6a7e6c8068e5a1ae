#include "platform/sys/Cancel.h"

#include <utility>

namespace kvr::sys {

namespace {
thread_local CancelCheck t_check;
// Once a host has asked, every later wait of the same work ends too, even if the check
// itself only answers true once (an interpreter hands out a pending signal once).
thread_local bool t_latched = false;
} // namespace

bool cancel_requested() {
    if (t_latched)
        return true;
    if (t_check && t_check())
        t_latched = true;
    return t_latched;
}

CancelCheck cancel_check() {
    if (t_latched)
        return [] { return true; };
    return t_check;
}

CancelScope::CancelScope(CancelCheck check)
    : m_previous(std::exchange(t_check, std::move(check))),
      m_previous_latched(std::exchange(t_latched, false)) {}

CancelScope::~CancelScope() {
    t_check = std::move(m_previous);
    t_latched = m_previous_latched;
}

} // namespace kvr::sys
