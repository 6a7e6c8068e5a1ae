#include "platform/sys/LocalPath.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kvr::sys {

const char kSeparator[] = "/";

namespace {

bool is_drive_root(const std::string& p) {
    return p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' &&
           (p[2] == '\\' || p[2] == '/');
}

bool starts_with_temp(const std::string& rest) {
    if (rest.size() < 4)
        return false;
    std::string head = rest.substr(0, 4);
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return head == "temp" && (rest.size() == 4 || rest[4] == '\\' || rest[4] == '/');
}

std::string temp_folder() {
    std::error_code ec;
    std::string t = std::filesystem::temp_directory_path(ec).string();
    if (ec || t.empty())
        t = "/tmp";
    while (t.size() > 1 && t.back() == '/')
        t.pop_back();
    return t;
}

// "/" unless KVRUPLOAD_DRIVE_ROOT names another folder; always ends in "/".
std::string drive_root() {
    const char* root = std::getenv("KVRUPLOAD_DRIVE_ROOT");
    std::string r = root && *root ? root : "/";
    if (r.back() != '/')
        r += '/';
    return r;
}

} // namespace

std::string native_local_path(const std::string& legacy_path) {
    std::string p = legacy_path;
    if (is_drive_root(p)) {
        std::string rest = p.substr(3);
        if (starts_with_temp(rest))
            p = temp_folder() + rest.substr(4);
        else
            p = drive_root() + rest;
    }
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

} // namespace kvr::sys
