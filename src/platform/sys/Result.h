// What a platform call comes to: its value, or the error that stopped it. A local-file error
// keeps errno and the path it concerns, so the layer that reports it can say which file and
// why without asking the thread for a last error; a layer with richer reasons (the sockets)
// names its own error type.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kvr::sys {

struct IoError {
    int err = 0;      // errno
    std::string path; // the local file or folder; empty when none
};

template <typename T, typename E = IoError> class [[nodiscard]] Result {
  public:
    Result(T value) : m_value(std::move(value)) {}
    Result(E error) : m_value(std::move(error)) {}

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() {
        assert(ok());
        return std::get<0>(m_value);
    }
    const T& value() const {
        assert(ok());
        return std::get<0>(m_value);
    }
    const E& error() const {
        assert(!ok());
        return std::get<1>(m_value);
    }

  private:
    std::variant<T, E> m_value;
};

template <typename E> class [[nodiscard]] Result<void, E> {
  public:
    Result() = default;
    Result(E error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    const E& error() const {
        assert(!ok());
        return *m_error;
    }

  private:
    std::optional<E> m_error;
};

} // namespace kvr::sys
