#include "platform/sys/Library.h"

#include "platform/sys/WideText.h"

#include <windows.h>

namespace kvr::sys {

namespace {
void anchor() {}
} // namespace

std::string library_name() {
    return "KVRUpload";
}

// The folder of the DLL our code was loaded from (or of the executable it is linked into).
std::string library_folder() {
    if (auto named = named_library_folder())
        return *named;
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&anchor), &module);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return ".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    auto slash = path.find_last_of(L"\\/");
    std::string folder = narrow(slash == std::wstring::npos ? L"." : path.substr(0, slash));
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\';
    return folder;
}

} // namespace kvr::sys
