// The window module's one entry point, looked up by name when the library loads the module:
// a new FLTK backend, or null when the display does not answer.
#include "platform/ui/fltk/FltkBackend.h"

#include <FL/x.H>

extern "C" __attribute__((visibility("default"))) kvr::ui::Backend* kvrupload_gui_backend() {
    // FLTK is handed the one connection: a probe closed before FLTK opens its own can be the
    // server's last client, and a server that resets then refuses the second connection.
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    fl_open_display(display);
    return kvr::ui::make_fltk_backend().release();
}
