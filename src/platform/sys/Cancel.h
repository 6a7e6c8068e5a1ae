// A host's way to end a long wait from outside the call: Ctrl-C in the command, a signal the
// Python interpreter has to deliver. The check belongs to the calling thread (each host thread
// installs its own); every loop that waits on the network or on a window asks it at least
// every ~100 ms and, when it answers true, ends the work as a user's cancel would.
#pragma once

#include <functional>

namespace kvr::sys {

using CancelCheck = std::function<bool()>;

// True when the calling thread's host asked for the current work to end. Without a check
// installed, always false. The answer stays true until the scope that installed it ends.
bool cancel_requested();

// The calling thread's check (empty when none): for a scope that adds a reason of its own to
// the host's rather than hiding it.
CancelCheck cancel_check();

// Installs a check for the calling thread for the life of the scope (nested scopes restore
// the outer check).
class CancelScope {
  public:
    explicit CancelScope(CancelCheck check);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

  private:
    CancelCheck m_previous;
    bool m_previous_latched;
};

} // namespace kvr::sys
