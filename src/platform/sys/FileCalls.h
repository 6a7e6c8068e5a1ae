// The operating system's calls under the local-file seam, one small set per platform, so that
// InputFile and OutputFile hold the rules (buffering, writing beside, nothing lost) once.
// Descriptors are C runtime descriptors on both platforms; failures give errno values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvr::sys::file_calls {

// A regular file opened for reading, with its size, found without waiting on a pipe; -1 and
// `err` set otherwise (EISDIR for a folder, ENODEV for anything else that is not a regular
// file).
int open_read(const std::string& path, std::uint64_t& size, int& err);
// How a file is opened for writing: created only if new (and readable back), emptied,
// written at its end, or written over from its start without being created or emptied.
enum class WriteMode { New, Truncate, Append, Existing };
// A file opened for writing (created when missing); -1 and `err` set otherwise.
int open_write(const std::string& path, WriteMode mode, int& err);
// A new file without a name in `folder` ("" for the current one, else ending in a separator),
// open for reading and writing: it vanishes if the process ends before it gets a name. -1 and
// `err` set where the platform or the file system has no such files.
int open_unnamed(const std::string& folder, int& err);
// A new file for bytes on their way elsewhere, in the temporary folder, without a name (or its
// name removed at once); -1 and `err` set otherwise.
int open_staging(int& err);
// Whether this process may write into the existing file `path`.
bool can_write(const std::string& path);
// Gives the unnamed file `fd` the new name `path`; 0 or errno.
int name_file(int fd, const std::string& path);
// Writes all of `data`; 0 or errno.
int write_all(int fd, const unsigned char* data, std::size_t size);
// Reads up to `n` bytes at `offset`; -1 with `err` on failure.
long read_at(int fd, std::uint64_t offset, char* buffer, std::size_t n, int& err);
// 0 or errno.
int close_file(int fd);
// Moves `from` over `to` (replacing it); 0 or errno.
int replace_file(const std::string& from, const std::string& to);
void remove_file(const std::string& path);
// This process's identifier, for names of files written beside their target.
unsigned long process_id();
// The file a name stands for: its symbolic links followed as far as they lead (a dangling one
// names the file to create), whether it is there and what it is. 0 or errno (ELOOP).
struct Target {
    std::string path;
    bool exists = false;
    bool folder = false;
    bool regular = false;
    unsigned long links = 1;
};
int examine_target(const std::string& name, Target& target);
// The descriptor a name stands for when it names one of this process's own (/dev/stdout,
// /dev/stderr, /dev/stdin, /dev/fd/N, /proc/self/fd/N); -1 for any other name.
int descriptor_named(const std::string& path);
// A new descriptor for the same open file as `fd` (sharing its offset); -1 and `err` set.
int duplicate(int fd, int& err);
// A device or a pipe opened to be written straight; a pipe nobody reads is ENXIO at once.
int open_special(const std::string& path, int& err);
// Gives the new file `fd` the mode and owner of the file `like`; false when it cannot have
// them (a file that took the name would then change its owner).
bool take_mode_and_owner(int fd, const std::string& like);
// Reserves room for `size` bytes where the platform can, then (set_size) fixes the length.
int reserve(int fd, std::uint64_t size);
int set_size(int fd, std::uint64_t size);
// The size of an open file; -1 and `err` on failure.
long long size_of(int fd, int& err);

// Where a local path's file name starts (after the last separator the platform knows).
std::size_t name_start(const std::string& path);

} // namespace kvr::sys::file_calls
