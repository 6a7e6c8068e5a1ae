// The window module's one entry point, looked up by name when the library loads the module:
// a new FLTK backend, or null when the display refuses (the library says so to the host).
#include "platform/ui/fltk/FltkBackend.h"

extern "C" __attribute__((visibility("default"))) kvr::ui::Backend* kvrupload_gui_backend() {
    // Nothing may escape through the C entry point.
    try {
        return kvr::ui::make_fltk_backend().release();
    } catch (...) {
        return nullptr;
    }
}
