#include "platform/sys/LocalPath.h"

#include <algorithm>

namespace kvr::sys {

// Drive letters are native here; "\" becomes "/" (which every Windows call accepts) so that
// the routines that split local paths at "/" do the same on both platforms.
std::string native_local_path(const std::string& legacy_path) {
    std::string p = legacy_path;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

} // namespace kvr::sys
