// The library's own name and folder: what the legacy runtime called the application's
// name and path. The folder is the directory of the loaded shared library, or of the
// executable when the library is linked into it statically.
#pragma once

#include <string>

namespace kvr::sys {

// "KVRUpload": the library file's name without its extension or "lib" prefix.
std::string library_name();

// The folder holding the library (absolute, native separators, no trailing separator unless it
// is a root: "/", "c:\").
std::string library_folder();

} // namespace kvr::sys
