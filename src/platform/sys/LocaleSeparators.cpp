#include "platform/sys/Clock.h"

#include <langinfo.h>

#include <cctype>

namespace kvr::sys {

namespace {

// The first separator a date or time pattern writes between its fields.
std::string first_separator(const char* pattern, const char* fallback) {
    if (!pattern)
        return fallback;
    for (const char* p = pattern; *p; ++p) {
        if (*p == '%') {
            ++p;
            while (*p == 'E' || *p == 'O' || *p == '-' || *p == '_' || *p == '0' || *p == '^' ||
                   *p == '#')
                ++p;
            switch (*p) {
            case 'D':
                return "/";
            case 'F':
                return "-";
            case 'T':
            case 'R':
                return ":";
            case '\0':
                return fallback;
            default:
                continue;
            }
        }
        if (!std::isalnum(static_cast<unsigned char>(*p)))
            return std::string(1, *p);
    }
    return fallback;
}

} // namespace

std::string date_separator() {
    return first_separator(nl_langinfo(D_FMT), "/");
}
std::string time_separator() {
    return first_separator(nl_langinfo(T_FMT), ":");
}

} // namespace kvr::sys
