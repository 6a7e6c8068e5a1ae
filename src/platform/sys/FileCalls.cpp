#include "platform/sys/FileCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace kvr::sys::file_calls {

namespace {
// A failure that did not say why is an I/O error.
int reason(int err) {
    return err != 0 ? err : EIO;
}
} // namespace

int open_read(const std::string& path, std::uint64_t& size, int& err) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        err = reason(errno);
        return -1;
    }
    struct stat st {};
    const int stat_error = ::fstat(fd, &st) != 0 ? errno : 0;
    if (stat_error != 0 || !S_ISREG(st.st_mode)) {
        // Only a regular file has a size to send; a device or a pipe is an I/O error.
        err = stat_error != 0 ? stat_error : S_ISDIR(st.st_mode) ? EISDIR : EIO;
        ::close(fd);
        return -1;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

int open_write(const std::string& path, WriteMode mode, int& err) {
    errno = 0;
    const int how = mode == WriteMode::New      ? O_EXCL
                    : mode == WriteMode::Append ? O_APPEND
                                                : O_TRUNC;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | how, 0666);
    if (fd < 0)
        err = reason(errno);
    return fd;
}

int write_all(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return reason(errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

long read_at(int fd, std::uint64_t offset, char* buffer, std::size_t n, int& err) {
    for (;;) {
        ssize_t got = ::pread(fd, buffer, n, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<long>(got);
        if (errno != EINTR) {
            err = reason(errno);
            return -1;
        }
    }
}

int close_file(int fd) {
    errno = 0;
    return ::close(fd) == 0 ? 0 : reason(errno);
}

int replace_file(const std::string& from, const std::string& to) {
    errno = 0;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : reason(errno);
}

void remove_file(const std::string& path) {
    ::unlink(path.c_str());
}

unsigned long process_id() {
    return static_cast<unsigned long>(::getpid());
}

std::size_t name_start(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

} // namespace kvr::sys::file_calls
