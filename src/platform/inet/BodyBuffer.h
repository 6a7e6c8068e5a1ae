// The bounded store between the network and GetChunk: a ring of fixed capacity that takes a
// piece whole or not at all (a piece it refuses is held back by pausing the transfer).
#pragma once

#include "platform/automation/Variant.h"

#include <cstddef>
#include <memory>

namespace kvr::inet {

class BodyBuffer {
  public:
    explicit BodyBuffer(std::size_t capacity);

    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }
    bool empty() const { return m_size == 0; }
    // The most bytes held at once since the last clear().
    std::size_t peak() const { return m_peak; }

    // Stores all `n` bytes, or none when they do not fit. A piece larger than the whole
    // capacity is taken only by an empty buffer (which then grows to hold it).
    bool put(const char* data, std::size_t n);
    // Removes up to `n` bytes from the front.
    ByteArray take(std::size_t n);
    void clear();

  private:
    // Left uninitialized: a short transfer touches only the pages it fills.
    std::unique_ptr<char[]> m_store;
    std::size_t m_capacity;
    std::size_t m_head = 0; // index of the first byte held
    std::size_t m_size = 0;
    std::size_t m_peak = 0;
};

} // namespace kvr::inet
