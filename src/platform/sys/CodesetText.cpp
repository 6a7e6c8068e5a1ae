#include "platform/sys/CodesetText.h"

#include <cctype>

namespace kvr::sys {

std::size_t utf8_length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

void append_latin1(std::string& out, unsigned char byte) {
    if (byte < 0x80) {
        out += static_cast<char>(byte);
    } else {
        out += static_cast<char>(0xC0 | (byte >> 6));
        out += static_cast<char>(0x80 | (byte & 0x3F));
    }
}

std::string normalised_codeset(const std::string& codeset) {
    std::string n;
    for (char c : codeset)
        if (c != '-' && c != '_')
            n += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return n;
}

} // namespace kvr::sys
