// Which window system the library's windows (progress, dialogs, message boxes) use. The
// default records them headless; with a display, real windows come from a separately
// installed module that is loaded only then.
#pragma once

#include <kvrupload/Export.h>

#include <string>

namespace kvrupload {

// Switches to real windows when DISPLAY names a display, the window module loads and the
// display answers. Returns false otherwise, with `why` saying what failed (left empty when no
// display was named).
KVRUPLOAD_API bool use_gui(std::string* why = nullptr);

// Back to the recorded, headless windows.
KVRUPLOAD_API void use_headless();

// The library's version, "MAJOR.MINOR.PATCH" (the version this header came with is
// KVRUPLOAD_VERSION in <kvrupload/Version.h>).
KVRUPLOAD_API const char* version();

} // namespace kvrupload
