// A local file being written: every transfer into a file goes through here, so the rules for
// the user's existing file live in one place. Bytes are gathered in a large buffer (bodies
// arrive in small chunks, and one write per chunk would cost more than the transfer). The
// first failure sticks: every later call returns it again, so the first cause is reported.
#pragma once

#include "platform/sys/Result.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kvr::sys {

class OutputFile {
  public:
    static constexpr std::size_t kBufferSize = 1 << 20;

    // Where the bytes go until commit: into the named file itself (created or truncated at
    // once), after its end (a log), or into a new file beside it that replaces it only on
    // commit.
    enum class Placement { InPlace, Append, Beside };

    static Result<OutputFile> create(const std::string& path, Placement placement);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile(); // aborts a file that was not committed

    Result<void> write(const void* data, std::size_t size);
    // Writes what is buffered, closes, and (beside) moves the file into place.
    Result<void> commit();
    // Closes without finishing: a file written beside is removed, the target stays as it was.
    void abort();

  private:
    OutputFile(std::string target, std::string path, int fd, Placement placement);
    Result<void> flush();
    Result<void> fail(int err);

    std::string m_target;
    std::string m_path; // where the bytes are written
    int m_fd = -1;
    Placement m_placement = Placement::InPlace;
    std::vector<unsigned char> m_buffer;
    std::optional<IoError> m_error;
};

} // namespace kvr::sys
