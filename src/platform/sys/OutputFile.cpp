#include "platform/sys/OutputFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace kvr::sys {

namespace {

// A failure that did not say why is an I/O error.
int reason(int err) {
    return err != 0 ? err : EIO;
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

// A new hidden file in the target's folder, so that the final rename stays on one file system.
int open_beside(const std::string& target, std::string& path) {
    static std::atomic<unsigned> counter{0};
    auto slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "." + name + ".part-" + std::to_string(getpid()) + "-" +
               std::to_string(counter++);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

Result<OutputFile> OutputFile::create(const std::string& path, Placement placement) {
    std::string written = path;
    errno = 0;
    const int flags =
        O_WRONLY | O_CREAT | O_CLOEXEC | (placement == Placement::Append ? O_APPEND : O_TRUNC);
    int fd = placement == Placement::Beside ? open_beside(path, written)
                                            : ::open(path.c_str(), flags, 0666);
    if (fd < 0)
        return IoError{reason(errno), path};
    return OutputFile(path, std::move(written), fd, placement);
}

OutputFile::OutputFile(std::string target, std::string path, int fd, Placement placement)
    : m_target(std::move(target)), m_path(std::move(path)), m_fd(fd), m_placement(placement) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_target(std::move(other.m_target)), m_path(std::move(other.m_path)),
      m_fd(std::exchange(other.m_fd, -1)), m_placement(other.m_placement),
      m_buffer(std::move(other.m_buffer)), m_error(std::move(other.m_error)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        abort();
        m_target = std::move(other.m_target);
        m_path = std::move(other.m_path);
        m_fd = std::exchange(other.m_fd, -1);
        m_placement = other.m_placement;
        m_buffer = std::move(other.m_buffer);
        m_error = std::move(other.m_error);
    }
    return *this;
}

OutputFile::~OutputFile() {
    abort();
}

Result<void> OutputFile::fail(int err) {
    m_error = IoError{reason(err), m_target};
    return *m_error;
}

Result<void> OutputFile::write(const void* data, std::size_t size) {
    if (m_error)
        return *m_error;
    if (m_fd < 0)
        return fail(EBADF);
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (m_buffer.size() + size > kBufferSize)
        if (auto flushed = flush(); !flushed)
            return flushed;
    if (size >= kBufferSize) {
        if (int err = write_all(m_fd, bytes, size))
            return fail(err);
        return {};
    }
    if (m_buffer.capacity() < kBufferSize)
        m_buffer.reserve(kBufferSize);
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    return {};
}

Result<void> OutputFile::flush() {
    if (m_buffer.empty())
        return {};
    int err = write_all(m_fd, m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    if (err)
        return fail(err);
    return {};
}

Result<void> OutputFile::commit() {
    if (m_fd < 0)
        return m_error ? Result<void>(*m_error) : Result<void>();
    if (m_error) {
        abort();
        return *m_error;
    }
    if (auto flushed = flush(); !flushed) {
        abort();
        return flushed;
    }
    int fd = std::exchange(m_fd, -1);
    errno = 0;
    if (::close(fd) != 0 ||
        (m_placement == Placement::Beside && ::rename(m_path.c_str(), m_target.c_str()) != 0)) {
        int err = errno;
        if (m_placement == Placement::Beside)
            ::unlink(m_path.c_str());
        return fail(err);
    }
    return {};
}

void OutputFile::abort() {
    if (m_fd < 0)
        return;
    ::close(std::exchange(m_fd, -1));
    m_buffer.clear();
    if (m_placement == Placement::Beside)
        ::unlink(m_path.c_str());
}

} // namespace kvr::sys
