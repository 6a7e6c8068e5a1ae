// The stand-alone command: the library's code is linked in. With a display it hands the whole
// run (same arguments, same process) to the command built on the shared library, kept in the
// "kvrupload" folder beside the library with the window module.
#include "hosts/cli/GuiHandOver.h"
#include "platform/sys/Library.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace kvr::cli {

namespace {

namespace fs = std::filesystem;

// Installed, the library is at the same place relative to the command as in the install
// tree; run from the build tree, it is the build's library folder.
std::string installed_library_folder() {
    std::error_code ec;
    const fs::path command = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path(ec).string();
    const fs::path bin = command.parent_path();
    if (fs::equivalent(bin, KVR_CLI_BUILD_BIN_DIR, ec))
        return KVR_CLI_BUILD_LIB_DIR;
    std::string folder = (bin / KVR_CLI_LIB_FROM_BIN).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

void prepare_command() {
    sys::set_library_folder_source(installed_library_folder);
}

std::unique_ptr<ui::Backend> gui_backend(char** argv, std::string& why) {
    why.clear();
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return nullptr;
    const std::string linked = sys::library_folder() + "/kvrupload/kvrupload-windowed";
    execv(linked.c_str(), argv);
    why = "the window module could not be loaded (" + linked + ": " + std::strerror(errno) + ")";
    return nullptr;
}

} // namespace kvr::cli
