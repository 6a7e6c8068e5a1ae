// The names of one listing, handed out one at a time as the legacy find calls did.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kvr::ftpnet {

class FtpFind {
  public:
    explicit FtpFind(std::vector<std::string> names) : m_names(std::move(names)) {}

    // The next name; false with the thread's last error 18 when none is left.
    bool next(std::string& name);

  private:
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
};

// Whether a name matches a find filter: "*" any run of characters, "?" one character,
// everything else itself (case-sensitive); "*.*" and "" match every name.
bool filter_matches(const std::string& filter, const std::string& name);

} // namespace kvr::ftpnet
