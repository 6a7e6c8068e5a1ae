// The backend with a display: real windows drawn with FLTK under X11. Forms become windows
// built from the retained model when first shown, and every later property change is applied
// to its widget, so the system's routines drive real windows exactly as they drive the
// headless record.
#pragma once

#include "platform/ui/Backend.h"

#include <memory>

class Fl_Double_Window;
class Fl_Widget;

namespace kvr::ui {

class Control;
class Form;

// True when an X display can be opened (DISPLAY set and answering).
bool display_available();

// A new FLTK backend; install it with set_backend().
std::unique_ptr<Backend> make_fltk_backend();

// The toolkit's window of a shown form and the widget of a control, when the FLTK backend is
// the current one (else null): for tests that drive the real widgets.
Fl_Double_Window* fltk_window(const Form& form);
Fl_Widget* fltk_widget(const Control& control);

} // namespace kvr::ui
