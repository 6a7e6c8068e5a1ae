// A local file being written: every transfer into a file goes through here, so the rules for
// the user's existing file live in one place. Bytes are gathered in a large buffer (bodies
// arrive in small chunks, and one write per chunk would cost more than the transfer). The
// first failure sticks: every later call returns it again, so the first cause is reported.
#pragma once

#include "platform/sys/Result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kvr::sys {

class OutputFile {
  public:
    static constexpr std::size_t kBufferSize = 1 << 20;

    // Where the bytes go until commit: into the named file itself (created or truncated at
    // once: a log begun afresh), after its end (a log), or into a new file beside it that
    // replaces it only on commit (every transfer). That file gets a name only on commit where
    // the file system allows, so a process killed mid-transfer leaves nothing behind.
    //
    // Beside writes *through* the name: a symbolic link is followed and its target gets the
    // bytes; an existing file keeps its mode and owner; a file with more than one hard link
    // (or one whose folder takes no new file, or whose owner cannot be given to a new file)
    // gets the finished bytes copied into it, room reserved first, so the links stay linked.
    // A folder fails at once; a device or a pipe is written straight (it holds nothing to
    // lose), and a pipe nobody reads fails at once instead of blocking.
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
    // How commit puts the written bytes under the target's name.
    enum class Finish { Nothing, Rename, CopyInto };

    OutputFile(std::string target, std::string real, std::string path, int fd, Finish finish);
    Result<void> flush();
    Result<void> fail(int err);
    int copy_into_target();

    std::string m_target; // the name the caller gave
    std::string m_real;   // that name with its symbolic links followed
    std::string m_path;   // where the bytes are written; empty while the file has no name
    int m_fd = -1;
    Finish m_finish = Finish::Nothing;
    std::vector<unsigned char> m_buffer;
    std::optional<IoError> m_error;
};

} // namespace kvr::sys
