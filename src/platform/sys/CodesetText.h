// Helpers the codeset conversions of both platforms share.
#pragma once

#include <cstddef>
#include <string>

namespace kvr::sys {

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t utf8_length(unsigned char lead);
// Appends `byte` read as Latin-1, in UTF-8.
void append_latin1(std::string& out, unsigned char byte);
// A codeset name upper-cased without '-' and '_' ("utf-8" -> "UTF8").
std::string normalised_codeset(const std::string& codeset);

} // namespace kvr::sys
