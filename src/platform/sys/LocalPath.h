// Local paths written the legacy way, made native. The legacy system named local paths
// with drive letters and "\". On Windows they are native already, and every "/" becomes the
// "\" its users expect to read back. Elsewhere a drive root such as "c:\" is the file-system
// root "/", "c:\temp\" is the platform's temporary folder, and every "\" is a "/". Remote
// paths and URLs never pass through here. A deployment (or a test) may place the drive root
// elsewhere with the environment variable KVRUPLOAD_DRIVE_ROOT (not on Windows).
//
//                          elsewhere               Windows
//   "c:\KVRUpload.log"   -> "/KVRUpload.log"       "c:\KVRUpload.log"
//   "C:\temp\x.txt"      -> "<temp folder>/x.txt"  "C:\temp\x.txt"
//   "..\log/"            -> "../log/"              "..\log\"
//   "/var/tmp/a"         -> "/var/tmp/a"           "\var\tmp\a"
#pragma once

#include <string>

namespace kvr::sys {

std::string native_local_path(const std::string& legacy_path);

// The separator of native local paths: "\" on Windows, "/" elsewhere.
extern const char kSeparator[];

} // namespace kvr::sys
