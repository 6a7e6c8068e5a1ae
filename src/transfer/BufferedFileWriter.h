// Binary output to a local file through a large buffer: the download receives its body in
// 1 KiB chunks, and one write per chunk would cost more than the transfer itself. Every
// failure raises the runtime's error for it; a write to a file that could not be opened
// raises the open's error again, so the first cause is the one reported.
#pragma once

#include "platform/automation/ComError.h"

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace kvr {

class BufferedFileWriter {
  public:
    static constexpr std::size_t kBufferSize = 1 << 20;

    BufferedFileWriter() = default;
    ~BufferedFileWriter();
    BufferedFileWriter(const BufferedFileWriter&) = delete;
    BufferedFileWriter& operator=(const BufferedFileWriter&) = delete;

    // Creates or truncates `path` for binary writing.
    void open(const std::string& path);
    // Appends bytes at the current position.
    void write(const void* data, std::size_t size);
    // Writes what is buffered and closes; a failed flush or close raises. Closing a file
    // that is not open does nothing.
    void close();
    bool is_open() const { return m_file != nullptr; }

  private:
    void flush();
    [[noreturn]] void fail(int err);

    std::FILE* m_file = nullptr;
    std::vector<unsigned char> m_buffer;
    std::optional<ComError> m_error;
};

} // namespace kvr
