// The backend with real Win32 windows (Windows builds only): forms become top-level windows
// built from the retained model when first shown, frames become child windows that hold their
// controls, and every later property change is applied to its window, so the system's
// routines drive real windows exactly as they drive the headless record. Message boxes are
// the system's, the Open and Save As dialogs its common dialogs.
#pragma once

#include "platform/ui/Backend.h"

#include <memory>

namespace kvr::ui {

// True when the process's window station is one a user sees (a service's is not).
bool interactive_desktop();

std::unique_ptr<Backend> make_win32_backend();

} // namespace kvr::ui
