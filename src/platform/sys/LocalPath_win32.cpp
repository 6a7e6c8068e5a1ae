#include "platform/sys/LocalPath.h"

#include <algorithm>

namespace kvr::sys {

const char kSeparator[] = "\\";

// Drive letters are native here; the "/" every Windows call also accepts becomes the "\" the
// paths handed back to a host are read with.
std::string native_local_path(const std::string& legacy_path) {
    std::string p = legacy_path;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

} // namespace kvr::sys
