#include "platform/sys/OutputFile.h"

#include "platform/sys/FileCalls.h"

#include <atomic>
#include <cerrno>

namespace kvr::sys {

namespace {

// A new hidden file in the target's folder, so that the final move stays on one file system.
int open_beside(const std::string& target, std::string& path, int& err) {
    static std::atomic<unsigned> counter{0};
    const std::size_t start = file_calls::name_start(target);
    const std::string folder = target.substr(0, start);
    const std::string name = target.substr(start);
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "." + name + ".part-" + std::to_string(file_calls::process_id()) + "-" +
               std::to_string(counter++);
        int fd = file_calls::open_write(path, file_calls::WriteMode::New, err);
        if (fd >= 0 || err != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

Result<OutputFile> OutputFile::create(const std::string& path, Placement placement) {
    std::string written = path;
    int err = 0;
    using file_calls::WriteMode;
    int fd = placement == Placement::Beside
                 ? open_beside(path, written, err)
                 : file_calls::open_write(path,
                                          placement == Placement::Append ? WriteMode::Append
                                                                         : WriteMode::Truncate,
                                          err);
    if (fd < 0)
        return IoError{err != 0 ? err : EIO, path};
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
    int err = file_calls::close_file(std::exchange(m_fd, -1));
    if (err == 0 && m_placement == Placement::Beside)
        err = file_calls::replace_file(m_path, m_target);
    if (err != 0) {
        if (m_placement == Placement::Beside)
            file_calls::remove_file(m_path);
        return fail(err);
    }
    return {};
}

void OutputFile::abort() {
    if (m_fd < 0)
        return;
    file_calls::close_file(std::exchange(m_fd, -1));
    m_buffer.clear();
    if (m_placement == Placement::Beside)
        file_calls::remove_file(m_path);
}

} // namespace kvr::sys
