// The few file-system services the system's routines use on local files: tests for a
// file or a folder, a file's last-modified time, deletion. Failures that the routines
// report come back as the runtime's errors (ComError with the runtime's number).
#pragma once

#include "platform/sys/Clock.h"
#include "platform/sys/Result.h"

#include <optional>
#include <string>

namespace kvr::sys {

bool file_exists(const std::string& path);   // a file (not a folder) of that name
bool folder_exists(const std::string& path); // a folder of that name

// Last-modified time; nothing when the file cannot be examined.
std::optional<TimePoint> last_modified(const std::string& path);

// Deletes a file (Kill); raises the runtime's error for the failure (53, 70, 75, ...).
void delete_file(const std::string& path);

// Creates one folder (MkDir): a folder that exists, or one whose parent is missing, fails.
Result<void> make_folder(const std::string& path);

// The runtime's error for an I/O error (Path not found, Permission denied, Disk full, ...).
[[noreturn]] void raise_io_error(const IoError& error, const std::string& source = "KVRUpload");

} // namespace kvr::sys
