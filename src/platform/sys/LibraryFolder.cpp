#include "platform/sys/Library.h"

#include <mutex>

namespace kvr::sys {

namespace {

struct Named {
    std::mutex m;
    std::string (*source)() = nullptr;
    std::optional<std::string> folder;
};

Named& named() {
    static Named n;
    return n;
}

} // namespace

void set_library_folder_source(std::string (*source)()) {
    Named& n = named();
    std::lock_guard lock(n.m);
    n.source = source;
    n.folder.reset();
}

std::optional<std::string> named_library_folder() {
    Named& n = named();
    std::lock_guard lock(n.m);
    if (!n.folder && n.source)
        n.folder = n.source();
    return n.folder;
}

} // namespace kvr::sys
