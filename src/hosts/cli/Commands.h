// The kvrupload command's subcommands. Each takes the arguments after its name and returns
// the process exit code: 0 when the result's element 0 is "1", 1 when it is "0", 2 for a
// usage error, 3 when a property refused its value.
#pragma once

#include <string>
#include <vector>

namespace kvr::cli {

int run_download(const std::vector<std::string>& args);
int run_upload(const std::vector<std::string>& args);
int run_ftp(const std::vector<std::string>& args);
// Opens the FTP client window; needs a display.
int run_ftp_window(const std::vector<std::string>& args);

} // namespace kvr::cli
