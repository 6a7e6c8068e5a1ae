#include "platform/automation/ComError.h"
#include "platform/inet/Inet.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvr::inet {

FileBody::FileBody(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        raise_runtime(runtime_error_from_errno(errno));
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(m_fd);
        m_fd = -1;
        raise_runtime(runtime_error_from_errno(err));
    }
    m_size = static_cast<std::uint64_t>(st.st_size);
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

FileBody::~FileBody() {
    if (m_fd >= 0)
        ::close(m_fd);
}

long FileBody::read_at(std::uint64_t offset, char* buffer, std::size_t n) const {
    for (;;) {
        ssize_t got = ::pread(m_fd, buffer, n, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<long>(got);
        if (errno != EINTR)
            return -1;
    }
}

} // namespace kvr::inet
