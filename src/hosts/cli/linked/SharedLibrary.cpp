// The command built on the shared library: it is the library's own host and loads the window
// module beside it.
#include "hosts/cli/GuiHandOver.h"
#include "platform/ui/GuiModule.h"

namespace kvr::cli {

void prepare_command() {}

std::unique_ptr<ui::Backend> gui_backend(char**, std::string& why) {
    return ui::load_gui_backend(why);
}

} // namespace kvr::cli
