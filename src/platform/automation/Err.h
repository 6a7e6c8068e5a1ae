// Deferred errors: a statement that fails is skipped and its error stays pending until the
// routine looks at it. Each step of a routine is one attempt().
#pragma once

#include "platform/automation/ComError.h"

#include <functional>
#include <optional>

namespace kvr {

class Err {
  public:
    // Runs one step; any error it raises becomes the pending error (the last one wins).
    // Returns true when the step completed.
    bool attempt(const std::function<void()>& step);

    bool pending() const { return m_error.has_value(); }
    const ComError& error() const { return *m_error; }
    std::int32_t number() const { return m_error ? m_error->number() : 0; }
    std::string description() const { return m_error ? m_error->description() : std::string(); }
    std::string numbered_text() const { return m_error ? m_error->numbered_text() : std::string(); }
    void clear() { m_error.reset(); }
    void raise(const ComError& e) { m_error = e; }

  private:
    std::optional<ComError> m_error;
};

// The pending error for any exception the step let escape.
ComError to_com_error(std::exception_ptr ep);

} // namespace kvr
