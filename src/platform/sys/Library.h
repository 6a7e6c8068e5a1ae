// The library's own name and folder: what the legacy runtime called the application's
// name and path. The folder is the directory of the loaded shared library, or of the
// executable when the library is linked into it statically.
#pragma once

#include <optional>
#include <string>

namespace kvr::sys {

// "KVRUpload": the library file's name without its extension or "lib" prefix.
std::string library_name();

// The folder holding the library (absolute, native separators, no trailing separator unless it
// is a root: "/", "c:\").
std::string library_folder();

// A program that has the library's code linked in and stands for the installed library (the
// command) says where that library is: `source` is asked once, on the first library_folder()
// after this call (set it before any other thread starts).
void set_library_folder_source(std::string (*source)());

// What that source answered, or nothing when none was set (the platforms' library_folder()).
std::optional<std::string> named_library_folder();

} // namespace kvr::sys
