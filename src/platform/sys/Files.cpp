#include "platform/sys/Files.h"

#include "platform/automation/ComError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kvr::sys {

bool file_exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folder_exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<TimePoint> last_modified(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return std::nullopt;
    auto since_epoch =
        std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
    return TimePoint(std::chrono::duration_cast<TimePoint::duration>(since_epoch));
}

void delete_file(const std::string& path) {
    if (unlink(path.c_str()) == 0)
        return;
    // Kill of a name that is not there is "File not found", not "Path not found".
    raise_runtime(errno == ENOENT ? rt::FileNotFound : runtime_error_from_errno(errno),
                  "KVRUpload");
}

Result<void> make_folder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0)
        return {};
    return IoError{errno, path};
}

void raise_io_error(const IoError& error, const std::string& source) {
    raise_runtime(runtime_error_from_errno(error.err != 0 ? error.err : EIO), source);
}

} // namespace kvr::sys
