// Real windows for the command. The command built on the shared library loads the window
// module itself. The stand-alone command has the library's code and the C++ runtime linked in,
// so that a run without windows loads neither; it must never load the window module, which
// would bring a second copy of both into the process, and runs the other one in its place.
#pragma once

#include "platform/ui/Backend.h"

#include <memory>
#include <string>

namespace kvr::cli {

// What this build of the command sets up before anything else (the stand-alone one says
// where its library is installed, for the log's default folder).
void prepare_command();

// The GUI backend, or nothing, with `why` as kvr::ui::load_gui_backend says. With a display
// named, the stand-alone command does not return unless the other command cannot be started.
std::unique_ptr<ui::Backend> gui_backend(char** argv, std::string& why);

} // namespace kvr::cli
