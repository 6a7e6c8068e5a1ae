// The window backend with a display lives in a separate module (libKVRUploadGui.so, in the
// "kvrupload" folder beside the library) so that a process without a display never loads a
// window system. The module is loaded only when a display is asked for and named.
#pragma once

#include "platform/ui/Backend.h"

#include <memory>
#include <string>

namespace kvr::ui {

// The GUI backend when DISPLAY names a display, the module loads and the display answers.
// Otherwise nothing: `why` stays empty when no display was named, and says what failed when
// one was (missing module, refused display), for the host to tell the user.
std::unique_ptr<Backend> load_gui_backend(std::string& why);

// Where the module is looked for: $KVRUPLOAD_GUI_MODULE, or <library folder>/kvrupload/.
std::string gui_module_path();

} // namespace kvr::ui
