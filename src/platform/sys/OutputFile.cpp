#include "platform/sys/OutputFile.h"

#include "platform/sys/FileCalls.h"

#include <atomic>
#include <cerrno>

namespace kvr::sys {

namespace {

// The hidden name of a file written beside `target`, in its folder so that the final move stays
// on one file system.
std::string beside_name(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::size_t start = file_calls::name_start(target);
    return target.substr(0, start) + "." + target.substr(start) + ".part-" +
           std::to_string(file_calls::process_id()) + "-" + std::to_string(counter++);
}

// A new file beside the target: without a name where the file system allows (`path` left
// empty), so that a process killed mid-transfer leaves nothing behind, else a hidden one.
int open_beside(const std::string& target, std::string& path, int& err) {
    path.clear();
    int fd = file_calls::open_unnamed(target.substr(0, file_calls::name_start(target)), err);
    if (fd >= 0)
        return fd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = beside_name(target);
        fd = file_calls::open_write(path, file_calls::WriteMode::New, err);
        if (fd >= 0 || err != EEXIST)
            return fd;
    }
    return -1;
}

// Gives a file opened without a name its hidden name beside the target; 0 or errno.
int name_beside(int fd, const std::string& target, std::string& path) {
    int err = EEXIST;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        path = beside_name(target);
        err = file_calls::name_file(fd, path);
    }
    if (err != 0)
        path.clear();
    return err;
}

} // namespace

Result<OutputFile> OutputFile::create(const std::string& path, Placement placement) {
    // The system would take the name only up to a NUL and write over another file.
    if (path.find('\0') != std::string::npos)
        return IoError{EINVAL, path};
    int err = 0;
    using file_calls::WriteMode;
    if (placement != Placement::Beside) {
        int fd = file_calls::open_write(
            path, placement == Placement::Append ? WriteMode::Append : WriteMode::Truncate, err);
        if (fd < 0)
            return IoError{err != 0 ? err : EIO, path};
        return OutputFile(path, path, path, fd, Finish::Nothing);
    }
    // One of the process's own descriptors by name (/dev/stdout, /dev/fd/N): the bytes go
    // through that descriptor, after what it already holds, as the shell's redirection means;
    // the file behind it is never replaced (a log opened for appending keeps its lines).
    if (const int own = file_calls::descriptor_named(path); own >= 0) {
        int fd = file_calls::duplicate(own, err);
        if (fd < 0)
            return IoError{err != 0 ? err : EBADF, path};
        return OutputFile(path, path, path, fd, Finish::Nothing);
    }
    file_calls::Target target;
    if (int failed = file_calls::examine_target(path, target))
        return IoError{failed, path};
    if (target.folder)
        return IoError{EISDIR, path};
    if (target.exists && !target.regular) {
        int fd = file_calls::open_special(target.path, err);
        if (fd < 0)
            return IoError{err != 0 ? err : EIO, path};
        return OutputFile(path, target.path, target.path, fd, Finish::Nothing);
    }
    std::string written;
    int fd = open_beside(target.path, written, err);
    Finish finish = Finish::Rename;
    if (fd < 0 && (err == EACCES || err == EPERM) && target.exists &&
        file_calls::can_write(target.path)) {
        // A folder that takes no new file, around a file the user may write: the bytes wait
        // in the temporary folder and are copied into the file once whole.
        fd = file_calls::open_staging(err);
        finish = Finish::CopyInto;
    }
    if (fd < 0)
        return IoError{err != 0 ? err : EIO, path};
    if (finish == Finish::Rename && target.exists &&
        (target.links > 1 || !file_calls::take_mode_and_owner(fd, target.path)))
        finish = Finish::CopyInto;
    return OutputFile(path, target.path, std::move(written), fd, finish);
}

OutputFile::OutputFile(std::string target, std::string real, std::string path, int fd,
                       Finish finish)
    : m_target(std::move(target)), m_real(std::move(real)), m_path(std::move(path)), m_fd(fd),
      m_finish(finish) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_target(std::move(other.m_target)), m_real(std::move(other.m_real)),
      m_path(std::move(other.m_path)), m_fd(std::exchange(other.m_fd, -1)),
      m_finish(other.m_finish), m_buffer(std::move(other.m_buffer)),
      m_error(std::move(other.m_error)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        abort();
        m_target = std::move(other.m_target);
        m_real = std::move(other.m_real);
        m_path = std::move(other.m_path);
        m_fd = std::exchange(other.m_fd, -1);
        m_finish = other.m_finish;
        m_buffer = std::move(other.m_buffer);
        m_error = std::move(other.m_error);
    }
    return *this;
}

OutputFile::~OutputFile() {
    abort();
}

Result<void> OutputFile::fail(int err) {
    m_error = IoError{err != 0 ? err : EIO, m_target};
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
        if (int err = file_calls::write_all(m_fd, bytes, size))
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
    int err = file_calls::write_all(m_fd, m_buffer.data(), m_buffer.size());
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
    if (m_finish == Finish::CopyInto) {
        int err = copy_into_target();
        abort();
        if (err)
            return fail(err);
        return {};
    }
    // An unnamed file is named only now, when it is whole.
    int err = m_path.empty() ? name_beside(m_fd, m_real, m_path) : 0;
    if (err != 0) {
        abort();
        return fail(err);
    }
    err = file_calls::close_file(std::exchange(m_fd, -1));
    if (err == 0 && m_finish == Finish::Rename)
        err = file_calls::replace_file(m_path, m_real);
    if (err != 0) {
        if (m_finish == Finish::Rename)
            file_calls::remove_file(m_path);
        return fail(err);
    }
    return {};
}

// The finished bytes over the target's own, its room reserved first: a disk too full for
// them fails before the old bytes are touched.
int OutputFile::copy_into_target() {
    int err = 0;
    const long long size = file_calls::size_of(m_fd, err);
    if (size < 0)
        return err;
    int out = file_calls::open_write(m_real, file_calls::WriteMode::Existing, err);
    if (out < 0)
        return err;
    err = file_calls::reserve(out, static_cast<std::uint64_t>(size));
    m_buffer.resize(kBufferSize);
    for (std::uint64_t at = 0; err == 0 && at < static_cast<std::uint64_t>(size);) {
        long n = file_calls::read_at(m_fd, at, reinterpret_cast<char*>(m_buffer.data()),
                                     m_buffer.size(), err);
        if (n <= 0) {
            err = n < 0 ? err : EIO;
            break;
        }
        err = file_calls::write_all(out, m_buffer.data(), static_cast<std::size_t>(n));
        at += static_cast<std::uint64_t>(n);
    }
    m_buffer.clear();
    if (err == 0)
        err = file_calls::set_size(out, static_cast<std::uint64_t>(size));
    if (int closed = file_calls::close_file(out); err == 0)
        err = closed;
    return err;
}

void OutputFile::abort() {
    if (m_fd < 0)
        return;
    file_calls::close_file(std::exchange(m_fd, -1));
    m_buffer.clear();
    if (m_finish != Finish::Nothing && !m_path.empty())
        file_calls::remove_file(m_path);
}

} // namespace kvr::sys
