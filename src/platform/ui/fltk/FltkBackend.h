// The backend with a display: real windows drawn with FLTK under X11. Forms become windows
// built from the retained model when first shown, and every later property change is applied
// to its widget, so the system's routines drive real windows exactly as they drive the
// headless record.
#pragma once

#include "platform/ui/Backend.h"

#include <memory>

namespace kvr::ui {

// True when an X display can be opened (DISPLAY set and answering).
bool display_available();

// A new FLTK backend; install it with set_backend().
std::unique_ptr<Backend> make_fltk_backend();

} // namespace kvr::ui
