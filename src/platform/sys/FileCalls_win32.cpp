#include "platform/sys/FileCalls.h"

#include "platform/sys/WideText.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

namespace kvr::sys::file_calls {

namespace {

int reason(int err) {
    return err != 0 ? err : EIO;
}

// The Windows errors a file call meets, as the errno values the error tables are written in.
int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    default:
        return EIO;
    }
}

} // namespace

// Wide names throughout: a name such as "café" reaches the file system as it is, whatever
// the ANSI code page.
int open_read(const std::string& path, std::uint64_t& size, int& err) {
    errno = 0;
    int fd = ::_wopen(widen(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        DWORD attributes = GetFileAttributesW(widen(path).c_str());
        err = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                  ? EISDIR
                  : reason(errno);
        return -1;
    }
    struct _stat64 st {};
    if (::_fstat64(fd, &st) != 0 || !(st.st_mode & _S_IFREG)) {
        err = (st.st_mode & _S_IFDIR) ? EISDIR : ENODEV;
        ::_close(fd);
        return -1;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

int open_write(const std::string& path, WriteMode mode, int& err) {
    errno = 0;
    const int how = mode == WriteMode::New        ? _O_RDWR | _O_CREAT | _O_EXCL
                    : mode == WriteMode::Append   ? _O_WRONLY | _O_CREAT | _O_APPEND
                    : mode == WriteMode::Existing ? _O_WRONLY
                                                  : _O_WRONLY | _O_CREAT | _O_TRUNC;
    int fd = ::_wopen(widen(path).c_str(), _O_BINARY | _O_NOINHERIT | how, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        err = reason(errno);
    return fd;
}

// Descriptor names are a POSIX system's.
int descriptor_named(const std::string&) {
    return -1;
}

int duplicate(int, int& err) {
    err = EBADF;
    return -1;
}

// Every file is written under a name of its own here.
int open_unnamed(const std::string&, int& err) {
    err = EOPNOTSUPP;
    return -1;
}

int open_staging(int& err) {
    err = EOPNOTSUPP;
    return -1;
}

bool can_write(const std::string&) {
    return false;
}

int name_file(int, const std::string&) {
    return EOPNOTSUPP;
}

int write_all(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const unsigned block = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
        int n = ::_write(fd, data, block);
        if (n < 0)
            return reason(errno);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// By offset through the system handle, so that readers never share a file position.
long read_at(int fd, std::uint64_t offset, char* buffer, std::size_t n, int& err) {
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (ReadFile(h, buffer, static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30)), &got, &at))
        return static_cast<long>(got);
    DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF)
        return 0;
    err = errno_of(error);
    return -1;
}

int close_file(int fd) {
    errno = 0;
    return ::_close(fd) == 0 ? 0 : reason(errno);
}

int replace_file(const std::string& from, const std::string& to) {
    if (MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return errno_of(GetLastError());
}

void remove_file(const std::string& path) {
    DeleteFileW(widen(path).c_str());
}

unsigned long process_id() {
    return GetCurrentProcessId();
}

// No links to follow, and a new file takes its folder's permissions: the name is the file.
int examine_target(const std::string& name, Target& target) {
    target = Target{};
    target.path = name;
    DWORD attributes = GetFileAttributesW(widen(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    target.exists = true;
    target.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    target.regular = !target.folder;
    return 0;
}

int open_special(const std::string& path, int& err) {
    return open_write(path, WriteMode::Truncate, err);
}

bool take_mode_and_owner(int, const std::string&) {
    return true;
}

int reserve(int, std::uint64_t) {
    return 0;
}

int set_size(int fd, std::uint64_t size) {
    return ::_chsize_s(fd, static_cast<long long>(size));
}

long long size_of(int fd, int& err) {
    struct _stat64 st {};
    if (::_fstat64(fd, &st) != 0) {
        err = reason(errno);
        return -1;
    }
    return static_cast<long long>(st.st_size);
}

std::size_t name_start(const std::string& path) {
    auto separator = path.find_last_of("/\\");
    if (separator != std::string::npos)
        return separator + 1;
    // "c:name" names a file in the drive's current folder.
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

} // namespace kvr::sys::file_calls
