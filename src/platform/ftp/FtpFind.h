// The names of one listing, handed out one at a time as the legacy find calls did.
#pragma once

#include "platform/sys/Codeset.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kvr::ftpnet {

class FtpFind {
  public:
    // The listing as the server sent it (one name a line, in the locale's codeset) and the
    // filter the names must match. Names are taken from it only as they are asked for.
    FtpFind(std::string listing, std::string filter);

    // The next name; false with the thread's last error 18 when none is left.
    bool next(std::string& name);
    // At most how many names are left (the lines not read yet).
    std::size_t at_most_left() const;

  private:
    std::string m_listing;
    std::string m_filter;
    std::size_t m_next = 0; // where the next line starts
    sys::LocaleDecoder m_decoder;
};

// Whether a name matches a find filter: "*" any run of characters, "?" one character,
// everything else itself (case-sensitive); "*.*" and "" match every name.
bool filter_matches(std::string_view filter, std::string_view name);

} // namespace kvr::ftpnet
