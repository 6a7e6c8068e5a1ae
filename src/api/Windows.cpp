#include <kvrupload/Windows.h>

#include "platform/sys/Version.h"
#include "platform/ui/GuiModule.h"
#include "platform/ui/HeadlessBackend.h"

namespace kvrupload {

bool use_gui(std::string* why) {
    if (!kvr::ui::headless())
        return true;
    std::string failure;
    auto gui = kvr::ui::load_gui_backend(failure);
    if (why)
        *why = failure;
    if (!gui)
        return false;
    kvr::ui::set_backend(std::move(gui));
    return true;
}

void use_headless() {
    if (!kvr::ui::headless())
        kvr::ui::set_backend(std::make_unique<kvr::ui::HeadlessBackend>());
}

const char* version() {
    return KVRUPLOAD_VERSION;
}

} // namespace kvrupload
