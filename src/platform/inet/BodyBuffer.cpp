#include "platform/inet/BodyBuffer.h"

#include <algorithm>
#include <cstring>

namespace kvr::inet {

BodyBuffer::BodyBuffer(std::size_t capacity) : m_store(new char[capacity]), m_capacity(capacity) {}

bool BodyBuffer::put(const char* data, std::size_t n) {
    if (n > m_capacity - m_size) {
        if (m_size != 0 || n <= m_capacity)
            return false;
        m_store.reset(new char[n]);
        m_capacity = n;
        m_head = 0;
    }
    const std::size_t cap = m_capacity;
    std::size_t tail = (m_head + m_size) % cap;
    std::size_t first = std::min(n, cap - tail);
    std::memcpy(m_store.get() + tail, data, first);
    std::memcpy(m_store.get(), data + first, n - first);
    m_size += n;
    m_peak = std::max(m_peak, m_size);
    return true;
}

ByteArray BodyBuffer::take(std::size_t n) {
    n = std::min(n, m_size);
    ByteArray out;
    if (n == 0)
        return out;
    const auto* base = reinterpret_cast<const std::uint8_t*>(m_store.get());
    const std::size_t cap = m_capacity;
    std::size_t first = std::min(n, cap - m_head);
    out.reserve(n);
    out.insert(out.end(), base + m_head, base + m_head + first);
    out.insert(out.end(), base, base + (n - first));
    m_head = (m_head + n) % cap;
    m_size -= n;
    if (m_size == 0)
        m_head = 0;
    return out;
}

void BodyBuffer::clear() {
    m_head = 0;
    m_size = 0;
    m_peak = 0;
}

} // namespace kvr::inet
