#include "platform/sys/InputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace kvr::sys {

Result<InputFile> InputFile::open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return IoError{errno, path};
    struct stat st {};
    const int stat_error = ::fstat(fd, &st) != 0 ? errno : 0;
    if (stat_error != 0 || !S_ISREG(st.st_mode)) {
        // Only a regular file has a size to send; a device or a pipe is an I/O error.
        int err = stat_error != 0 ? stat_error : S_ISDIR(st.st_mode) ? EISDIR : EIO;
        ::close(fd);
        return IoError{err, path};
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return InputFile(path, fd, static_cast<std::uint64_t>(st.st_size));
}

InputFile::InputFile(std::string path, int fd, std::uint64_t size)
    : m_path(std::move(path)), m_fd(fd), m_size(size) {}

InputFile::InputFile(InputFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_path = std::move(other.m_path);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

InputFile::~InputFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

Result<std::size_t> InputFile::read_at(std::uint64_t offset, char* buffer, std::size_t n) const {
    for (;;) {
        ssize_t got = ::pread(m_fd, buffer, n, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            return IoError{errno, m_path};
    }
}

} // namespace kvr::sys
