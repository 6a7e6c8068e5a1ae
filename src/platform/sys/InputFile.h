// A local file read while it is sent: opened and measured once (a file that cannot be read
// fails before anything is sent), then read by offset, never held whole in memory.
#pragma once

#include "platform/sys/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvr::sys {

class InputFile {
  public:
    // A regular file only, found without waiting: a folder is EISDIR, a device or a pipe
    // ENODEV.
    static Result<InputFile> open(const std::string& path);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    std::uint64_t size() const { return m_size; }
    // Up to `n` bytes from `offset`; 0 at the end of the file.
    Result<std::size_t> read_at(std::uint64_t offset, char* buffer, std::size_t n) const;
    // For the socket layer's copy-free send, which reads from the current offset.
    int native_handle() const { return m_fd; }

  private:
    InputFile(std::string path, int fd, std::uint64_t size);

    std::string m_path;
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

// A small regular file's whole content (a configuration); a larger one than `limit` is EFBIG.
Result<std::string> read_whole_file(const std::string& path, std::size_t limit = 1 << 20);

} // namespace kvr::sys
