#include "platform/sys/InputFile.h"

#include "platform/sys/FileCalls.h"

#include <cerrno>
#include <utility>

namespace kvr::sys {

Result<InputFile> InputFile::open(const std::string& path) {
    // The system would read the name only up to a NUL: another file than the one asked for.
    if (path.find('\0') != std::string::npos)
        return IoError{EINVAL, path};
    std::uint64_t size = 0;
    int err = 0;
    int fd = file_calls::open_read(path, size, err);
    if (fd < 0)
        return IoError{err, path};
    return InputFile(path, fd, size);
}

InputFile::InputFile(std::string path, int fd, std::uint64_t size)
    : m_path(std::move(path)), m_fd(fd), m_size(size) {}

InputFile::InputFile(InputFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            file_calls::close_file(m_fd);
        m_path = std::move(other.m_path);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

InputFile::~InputFile() {
    if (m_fd >= 0)
        file_calls::close_file(m_fd);
}

Result<std::size_t> InputFile::read_at(std::uint64_t offset, char* buffer, std::size_t n) const {
    int err = 0;
    long got = file_calls::read_at(m_fd, offset, buffer, n, err);
    if (got < 0)
        return IoError{err, m_path};
    return static_cast<std::size_t>(got);
}

Result<std::string> read_whole_file(const std::string& path, std::size_t limit) {
    auto file = InputFile::open(path);
    if (!file)
        return file.error();
    if (file.value().size() > limit)
        return IoError{EFBIG, path};
    std::string text(static_cast<std::size_t>(file.value().size()), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        auto n = file.value().read_at(got, text.data() + got, text.size() - got);
        if (!n)
            return n.error();
        if (n.value() == 0)
            break;
        got += n.value();
    }
    text.resize(got);
    return text;
}

} // namespace kvr::sys
