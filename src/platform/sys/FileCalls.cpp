#include "platform/sys/FileCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace kvr::sys::file_calls {

namespace {
// A failure that did not say why is an I/O error.
int reason(int err) {
    return err != 0 ? err : EIO;
}
} // namespace

int open_read(const std::string& path, std::uint64_t& size, int& err) {
    // Without O_NONBLOCK a pipe with no writer would hold the open until one came.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        err = reason(errno);
        return -1;
    }
    struct stat st {};
    const int stat_error = ::fstat(fd, &st) != 0 ? errno : 0;
    if (stat_error != 0 || !S_ISREG(st.st_mode)) {
        // Only a regular file has a size to send; a device or a pipe is no file to send.
        err = stat_error != 0 ? stat_error : S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

int open_write(const std::string& path, WriteMode mode, int& err) {
    errno = 0;
    const int how = mode == WriteMode::New        ? O_RDWR | O_CREAT | O_EXCL
                    : mode == WriteMode::Append   ? O_WRONLY | O_CREAT | O_APPEND
                    : mode == WriteMode::Existing ? O_WRONLY
                                                  : O_WRONLY | O_CREAT | O_TRUNC;
    int fd = ::open(path.c_str(), O_CLOEXEC | how, 0666);
    if (fd < 0)
        err = reason(errno);
    return fd;
}

int open_unnamed(const std::string& folder, int& err) {
#ifdef O_TMPFILE
    // It is named later through its descriptor's entry in /proc.
    if (::access("/proc/self/fd", X_OK) != 0) {
        err = EOPNOTSUPP;
        return -1;
    }
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0)
        err = reason(errno);
    return fd;
#else
    err = EOPNOTSUPP;
    return -1;
#endif
}

int open_staging(int& err) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    folder += '/';
    if (int fd = open_unnamed(folder, err); fd >= 0)
        return fd;
    std::string name = folder + "kvrupload-XXXXXX";
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        err = reason(errno);
        return -1;
    }
    ::unlink(name.c_str());
    return fd;
}

bool can_write(const std::string& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

int name_file(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return reason(errno);
    return 0;
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

int examine_target(const std::string& name, Target& target) {
    target = Target{};
    target.path = name;
    // An open descriptor's name (/dev/stdout, /proc/self/fd/N) links to a text such as
    // "pipe:[N]" that names no file: only the system can follow it. What it leads to when it
    // is neither a file nor a folder is written through the name itself.
    if (struct stat st{};
        ::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        target.exists = true;
        return 0;
    }
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.path.c_str(), &st) != 0)
            return 0;
        if (!S_ISLNK(st.st_mode)) {
            target.exists = true;
            target.folder = S_ISDIR(st.st_mode);
            target.regular = S_ISREG(st.st_mode);
            target.links = static_cast<unsigned long>(st.st_nlink);
            return 0;
        }
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        ssize_t n = ::readlink(target.path.c_str(), link.data(), link.size());
        if (n <= 0)
            return reason(errno);
        link.resize(static_cast<std::size_t>(n));
        target.path =
            link.front() == '/' ? link : target.path.substr(0, name_start(target.path)) + link;
    }
    return ELOOP;
}

int descriptor_named(const std::string& path) {
    constexpr std::string_view kNamed[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
    for (int fd = 0; fd < 3; ++fd)
        if (path == kNamed[fd])
            return fd;
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (path.rfind(folder, 0) != 0)
            continue;
        const std::string_view digits = std::string_view(path).substr(folder.size());
        int fd = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
        if (ec == std::errc() && end == digits.data() + digits.size() && !digits.empty())
            return fd;
    }
    return -1;
}

int duplicate(int fd, int& err) {
    int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        err = reason(errno);
    return copy;
}

int open_special(const std::string& path, int& err) {
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        err = reason(errno);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool take_mode_and_owner(int fd, const std::string& like) {
    // The owner first: a change of owner clears set-id bits that the mode then restores.
    struct stat st {};
    struct stat mine {};
    return ::stat(like.c_str(), &st) == 0 && ::fchown(fd, st.st_uid, st.st_gid) == 0 &&
           ::fchmod(fd, st.st_mode & 07777) == 0 && ::fstat(fd, &mine) == 0 &&
           mine.st_uid == st.st_uid && mine.st_gid == st.st_gid;
}

int reserve(int fd, std::uint64_t size) {
    if (size == 0)
        return 0;
    int err = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
    return err == EOPNOTSUPP || err == EINVAL ? 0 : err;
}

int set_size(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : reason(errno);
}

long long size_of(int fd, int& err) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        err = reason(errno);
        return -1;
    }
    return static_cast<long long>(st.st_size);
}

std::size_t name_start(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

} // namespace kvr::sys::file_calls
