#include "platform/win32/ComModule.h"

#include "platform/sys/WideText.h"

#include <atomic>
#include <mutex>

namespace kvr::win32 {

namespace {
std::atomic<long> g_refs{0};
void anchor() {}
} // namespace

HMODULE module_handle() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&anchor), &module);
    return module;
}

std::wstring module_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module_handle(), path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void add_server_ref() {
    ++g_refs;
}
void release_server_ref() {
    --g_refs;
}
long server_refs() {
    return g_refs;
}

ITypeLib* type_library() {
    static ITypeLib* lib = [] {
        ITypeLib* l = nullptr;
        if (FAILED(LoadTypeLibEx(module_path().c_str(), REGKIND_NONE, &l)))
            l = nullptr;
        return l;
    }();
    return lib;
}

ITypeInfo* type_info(REFGUID guid) {
    ITypeInfo* info = nullptr;
    if (ITypeLib* lib = type_library(); !lib || FAILED(lib->GetTypeInfoOfGuid(guid, &info)))
        return nullptr;
    return info;
}

bool parse_guid(const std::string& text, GUID& guid) {
    std::wstring wide = sys::widen(text);
    return SUCCEEDED(CLSIDFromString(wide.c_str(), &guid));
}

} // namespace kvr::win32
