// The locale's codeset: what the legacy system called "the system's ANSI code page".
// Texts inside are UTF-8; files and peers that expect the codeset get it converted here.
#pragma once

#include <string>

namespace kvr::sys {

// nl_langinfo(CODESET) for the locale the host set (the library never calls setlocale).
std::string locale_codeset();

// True when the codeset needs no conversion: UTF-8, and ASCII (the C locale), which counts
// as UTF-8 so that no text is ever lost.
bool codeset_is_utf8(const std::string& codeset);

// UTF-8 text in the locale's codeset. A character the codeset cannot hold is kept as its
// UTF-8 bytes rather than dropped or replaced: the text is never lost.
std::string to_locale_codeset(const std::string& utf8);
// Text in the locale's codeset as UTF-8; a byte that is not valid there is taken as Latin-1.
std::string from_locale_codeset(const std::string& text);

// from_locale_codeset for many texts one after another (a listing's names): the codeset is
// looked up and the converter opened once, when the decoder is made.
class LocaleDecoder {
  public:
    LocaleDecoder();
    ~LocaleDecoder();
    LocaleDecoder(const LocaleDecoder&) = delete;
    LocaleDecoder& operator=(const LocaleDecoder&) = delete;

    // `text` (in the locale's codeset) as UTF-8, in place.
    void decode(std::string& text);

  private:
    std::string m_codeset; // empty when texts need no conversion
    void* m_converter = nullptr;
};

// The same conversions for a named codeset (as iconv names it).
std::string utf8_to_codeset(const std::string& utf8, const std::string& codeset);
std::string codeset_to_utf8(const std::string& text, const std::string& codeset);

} // namespace kvr::sys
