#include "platform/sys/Library.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace kvr::sys {

namespace {

// Any function of ours: dladdr tells which loaded object holds it.
void anchor() {}

std::string absolute(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved))
        return resolved;
    return path;
}

std::string executable_path() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

// The file our code was loaded from: the shared library, or the executable it is linked into.
std::string module_path() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) && info.dli_fname && *info.dli_fname) {
        std::string_view name = info.dli_fname;
        if (name.find(".so") != std::string_view::npos)
            return absolute(info.dli_fname);
    }
    return executable_path();
}

} // namespace

std::string library_name() {
    return "KVRUpload";
}

std::string library_folder() {
    if (auto named = named_library_folder())
        return *named;
    std::string path = module_path();
    if (path.empty())
        return absolute(".");
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty())
        return "/";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace kvr::sys
