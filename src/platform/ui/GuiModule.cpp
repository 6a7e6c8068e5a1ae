#include "platform/ui/GuiModule.h"

#include "platform/sys/Library.h"

#include <cstdlib>

#ifdef _WIN32

// Windows has its own window backend, installed by its host; there is no module to load.
namespace kvr::ui {

std::string gui_module_path() {
    return {};
}

std::unique_ptr<Backend> load_gui_backend(std::string& why) {
    why.clear();
    return nullptr;
}

} // namespace kvr::ui

#else

#include <dlfcn.h>

#include <mutex>

namespace kvr::ui {

namespace {

using EntryPoint = Backend* (*)();
constexpr const char* kEntryPoint = "kvrupload_gui_backend";

// The module stays loaded for the life of the process: its code runs the installed backend.
// Its window system's static objects are torn down before ours, so the backend it made must
// go first: an exit handler registered after the module's constructors runs before them.
void release_gui_backend_at_exit() {
    if (backend_alive())
        set_backend(nullptr);
}

EntryPoint entry_point(std::string& why) {
    static std::mutex m;
    static EntryPoint entry = nullptr;
    static std::string failure;
    std::lock_guard lock(m);
    if (!entry && failure.empty()) {
        const std::string path = gui_module_path();
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* err = dlerror();
            failure =
                "the window module could not be loaded (" + std::string(err ? err : path) + ")";
        } else if (!(entry = reinterpret_cast<EntryPoint>(dlsym(handle, kEntryPoint)))) {
            failure = "the window module " + path + " has no entry point " + kEntryPoint;
        } else {
            std::atexit(release_gui_backend_at_exit);
        }
    }
    why = failure;
    return entry;
}

} // namespace

std::string gui_module_path() {
    if (const char* p = std::getenv("KVRUPLOAD_GUI_MODULE"); p && *p)
        return p;
    return sys::library_folder() + "/kvrupload/libKVRUploadGui.so";
}

std::unique_ptr<Backend> load_gui_backend(std::string& why) {
    why.clear();
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return nullptr;
    EntryPoint entry = entry_point(why);
    if (!entry)
        return nullptr;
    std::unique_ptr<Backend> gui(entry());
    if (!gui)
        why = std::string("the display ") + display + " refused the connection";
    return gui;
}

} // namespace kvr::ui

#endif
