// The Windows build reaches the web through the system's own layer and loads no engine.
#ifndef _WIN32
#include "platform/inet/CurlLibrary.h"

#include <dlfcn.h>

#ifndef KVR_CURL_SONAME
#define KVR_CURL_SONAME "libcurl.so.4"
#endif

namespace kvr::inet {

namespace {

template <class Function> bool find(void* handle, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(handle, name));
    return out != nullptr;
}

// Never closed: the engine keeps threads and global state for the life of the process.
const CurlLibrary* load() {
    void* h = dlopen(KVR_CURL_SONAME, RTLD_LAZY | RTLD_LOCAL);
    if (!h)
        return nullptr;
    static CurlLibrary lib;
    decltype(&curl_global_init) global_init = nullptr;
    const bool complete =
        find(h, "curl_global_init", global_init) && find(h, "curl_easy_init", lib.easy_init) &&
        find(h, "curl_easy_cleanup", lib.easy_cleanup) &&
        find(h, "curl_easy_setopt", lib.easy_setopt) &&
        find(h, "curl_easy_getinfo", lib.easy_getinfo) &&
        find(h, "curl_easy_pause", lib.easy_pause) && find(h, "curl_multi_init", lib.multi_init) &&
        find(h, "curl_multi_cleanup", lib.multi_cleanup) &&
        find(h, "curl_multi_add_handle", lib.multi_add_handle) &&
        find(h, "curl_multi_remove_handle", lib.multi_remove_handle) &&
        find(h, "curl_multi_perform", lib.multi_perform) &&
        find(h, "curl_multi_poll", lib.multi_poll) &&
        find(h, "curl_multi_info_read", lib.multi_info_read) && find(h, "curl_url", lib.url) &&
        find(h, "curl_url_cleanup", lib.url_cleanup) && find(h, "curl_url_get", lib.url_get) &&
        find(h, "curl_url_set", lib.url_set) && find(h, "curl_free", lib.free);
    if (!complete || global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return nullptr;
    return &lib;
}

} // namespace

const CurlLibrary* curl_library() {
    static const CurlLibrary* const lib = load();
    return lib;
}

} // namespace kvr::inet
#endif
