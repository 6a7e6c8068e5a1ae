#include "platform/ui/DefaultBackend.h"

#include "platform/ui/HeadlessBackend.h"
#include "platform/ui/Win32Backend.h"

#include <cstdlib>
#include <cstring>

namespace kvr::ui {

std::unique_ptr<Backend> default_backend() {
    const char* asked = std::getenv("KVRUPLOAD_UI");
    if ((asked && std::strcmp(asked, "headless") == 0) || !interactive_desktop())
        return std::make_unique<HeadlessBackend>();
    return make_win32_backend();
}

} // namespace kvr::ui
