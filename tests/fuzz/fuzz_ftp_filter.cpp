// The FTP filter matcher agrees with fnmatch on filters and names without brackets or
// backslashes (fnmatch's own syntax), apart from the two filters that mean "everything".
// Input: filter, a NUL byte, name.
#include "FuzzCheck.h"
#include "platform/ftp/FtpFind.h"

#include <cstddef>
#include <cstdint>
#include <fnmatch.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    if (nul == std::string::npos)
        return 0;
    const std::string filter = input.substr(0, nul), name = input.substr(nul + 1);
    if (name.find('\0') != std::string::npos || filter.size() > 64 || name.size() > 256)
        return 0;
    const bool matches = kvr::ftpnet::filter_matches(filter, name);
    if (filter.empty() || filter == "*.*") {
        FUZZ_CHECK(matches);
        return 0;
    }
    if (filter.find_first_of("[]\\") != std::string::npos)
        return 0;
    FUZZ_CHECK(matches == (fnmatch(filter.c_str(), name.c_str(), 0) == 0));
    return 0;
}
