#include "platform/sys/WideText.h"

#include <windows.h>

namespace kvr::sys {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(const wchar_t* wide, std::size_t size) {
    if (!wide || size == 0)
        return {};
    int n =
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(size), out.data(), n, nullptr, nullptr);
    return out;
}

std::string narrow(const std::wstring& wide) {
    return narrow(wide.data(), wide.size());
}

} // namespace kvr::sys
