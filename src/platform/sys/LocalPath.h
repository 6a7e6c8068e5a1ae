// Local paths written the legacy way, made native. The legacy system named local paths
// with drive letters and "\"; here a drive root such as "c:\" is the file-system root "/",
// "c:\temp\" is the platform's temporary folder, and every "\" is a "/". Remote paths and
// URLs never pass through here. A deployment (or a test) may place the drive root elsewhere
// with the environment variable KVRUPLOAD_DRIVE_ROOT.
//
//   "c:\KVRUpload.log"   -> "/KVRUpload.log"
//   "C:\temp\x.txt"      -> "<temp folder>/x.txt"
//   "..\log\"            -> "../log/"
//   "/var/tmp/a"         -> "/var/tmp/a"       (already native)
#pragma once

#include <string>

namespace kvr::sys {

std::string native_local_path(const std::string& legacy_path);

} // namespace kvr::sys
