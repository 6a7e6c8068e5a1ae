#include "platform/sys/Files.h"

#include "platform/automation/ComError.h"
#include "platform/sys/WideText.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <direct.h>

namespace kvr::sys {

namespace {
bool stat_wide(const std::string& path, struct _stat64& st) {
    return !path.empty() && _wstat64(widen(path).c_str(), &st) == 0;
}
} // namespace

bool file_exists(const std::string& path) {
    struct _stat64 st {};
    return stat_wide(path, st) && !(st.st_mode & _S_IFDIR);
}

bool folder_exists(const std::string& path) {
    // The C runtime's stat finds no folder named with a trailing separator, but a drive's root
    // needs its one.
    std::string folder = path;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\') &&
           !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    struct _stat64 st {};
    return stat_wide(folder, st) && (st.st_mode & _S_IFDIR);
}

std::optional<TimePoint> last_modified(const std::string& path) {
    struct _stat64 st {};
    if (!stat_wide(path, st))
        return std::nullopt;
    return std::chrono::system_clock::from_time_t(st.st_mtime);
}

void delete_file(const std::string& path) {
    if (_wremove(widen(path).c_str()) == 0)
        return;
    raise_runtime(errno == ENOENT ? rt::FileNotFound : runtime_error_from_errno(errno),
                  "KVRUpload");
}

Result<void> make_folder(const std::string& path) {
    if (_wmkdir(widen(path).c_str()) == 0)
        return {};
    return IoError{errno, path};
}

void raise_io_error(const IoError& error, const std::string& source) {
    raise_runtime(runtime_error_from_errno(error.err != 0 ? error.err : EIO), source);
}

} // namespace kvr::sys
