#include "platform/sys/Clock.h"

#include "platform/sys/WideText.h"

#include <windows.h>

namespace kvr::sys {

namespace {
std::string locale_text(LCTYPE what, const char* fallback) {
    wchar_t buf[16] = {};
    int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, what, buf, 16);
    if (n <= 1)
        return fallback;
    return narrow(buf, static_cast<std::size_t>(n - 1));
}
} // namespace

std::string date_separator() {
    return locale_text(LOCALE_SDATE, "/");
}
std::string time_separator() {
    return locale_text(LOCALE_STIME, ":");
}

} // namespace kvr::sys
