#include "transfer/BufferedFileWriter.h"

#include <cerrno>

namespace kvr {

namespace {
// A write or open that failed without telling why is an I/O error.
int reason(int err) {
    return err != 0 ? err : EIO;
}
} // namespace

BufferedFileWriter::~BufferedFileWriter() {
    if (m_file)
        std::fclose(m_file);
}

void BufferedFileWriter::fail(int err) {
    const std::int32_t number = runtime_error_from_errno(reason(err));
    m_error = ComError(number, "KVRUpload", runtime_description(number));
    throw *m_error;
}

void BufferedFileWriter::open(const std::string& path) {
    close();
    m_error.reset();
    errno = 0;
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        fail(errno);
    // Our own buffer decides when to write; the stream's would only copy again.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    m_buffer.reserve(kBufferSize);
}

void BufferedFileWriter::write(const void* data, std::size_t size) {
    if (m_error)
        throw *m_error;
    if (!m_file)
        raise_runtime(rt::BadFileMode);
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (m_buffer.size() + size > kBufferSize)
        flush();
    if (size >= kBufferSize) {
        errno = 0;
        if (std::fwrite(bytes, 1, size, m_file) != size)
            fail(errno);
        return;
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
}

void BufferedFileWriter::flush() {
    if (m_buffer.empty())
        return;
    errno = 0;
    const std::size_t size = m_buffer.size();
    const std::size_t written = std::fwrite(m_buffer.data(), 1, size, m_file);
    const int err = errno;
    m_buffer.clear();
    if (written != size)
        fail(err);
}

void BufferedFileWriter::close() {
    if (!m_file)
        return;
    std::FILE* file = m_file;
    int err = 0;
    try {
        if (!m_error)
            flush();
    } catch (const ComError&) {
        m_file = nullptr;
        std::fclose(file);
        throw;
    }
    m_file = nullptr;
    errno = 0;
    if (std::fclose(file) != 0)
        err = errno;
    if (err != 0)
        fail(err);
}

} // namespace kvr
