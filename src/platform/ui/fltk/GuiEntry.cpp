// The window module's one entry point, looked up by name when the library loads the module:
// a new FLTK backend, or null when the display does not answer.
#include "platform/ui/fltk/FltkBackend.h"

extern "C" __attribute__((visibility("default"))) kvr::ui::Backend* kvrupload_gui_backend() {
    if (!kvr::ui::display_available())
        return nullptr;
    return kvr::ui::make_fltk_backend().release();
}
