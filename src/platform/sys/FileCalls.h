// The operating system's calls under the local-file seam, one small set per platform, so that
// InputFile and OutputFile hold the rules (buffering, writing beside, nothing lost) once.
// Descriptors are C runtime descriptors on both platforms; failures give errno values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvr::sys::file_calls {

// A regular file opened for reading, with its size; -1 and `err` set otherwise (EISDIR for a
// folder, EIO for anything else that is not a regular file).
int open_read(const std::string& path, std::uint64_t& size, int& err);
// How a file is opened for writing: created only if new, emptied, or written at its end.
enum class WriteMode { New, Truncate, Append };
// A file opened for writing (created when missing); -1 and `err` set otherwise.
int open_write(const std::string& path, WriteMode mode, int& err);
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
// Where a local path's file name starts (after the last separator the platform knows).
std::size_t name_start(const std::string& path);

} // namespace kvr::sys::file_calls
