#include "platform/sys/Codeset.h"

#include "platform/sys/CodesetText.h"

#include "platform/sys/WideText.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>

namespace kvr::sys {

namespace {

// The Windows code page a codeset name stands for ("CP1252", "ISO-8859-1", ...); 0 if unknown.
UINT code_page(const std::string& codeset) {
    const std::string n = normalised_codeset(codeset);
    if (n.rfind("CP", 0) == 0 || n.rfind("WINDOWS", 0) == 0) {
        const char* digits = n.c_str() + (n[0] == 'C' ? 2 : 7);
        char* end = nullptr;
        unsigned long cp = std::strtoul(digits, &end, 10);
        return end && *end == '\0' ? static_cast<UINT>(cp) : 0;
    }
    if (n == "ISO88591" || n == "LATIN1")
        return 28591;
    if (n == "ISO885915")
        return 28605;
    return 0;
}

} // namespace

std::string locale_codeset() {
    return "CP" + std::to_string(GetACP());
}

bool codeset_is_utf8(const std::string& codeset) {
    const std::string n = normalised_codeset(codeset);
    return n.empty() || n == "UTF8" || n == "CP65001" || n == "ASCII" || n == "USASCII" ||
           n == "CP20127";
}

// Character by character, so that one the code page cannot hold keeps its UTF-8 bytes.
std::string utf8_to_codeset(const std::string& utf8, const std::string& codeset) {
    UINT cp = code_page(codeset);
    if (codeset_is_utf8(codeset) || cp == 0)
        return utf8;
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = std::min(utf8_length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        if (n == 1 && static_cast<unsigned char>(utf8[i]) < 0x80) {
            out += utf8[i++];
            continue;
        }
        std::wstring wide = widen(utf8.substr(i, n));
        char buf[8];
        BOOL lossy = FALSE;
        int got = wide.empty() || wide == L"\xFFFD"
                      ? 0
                      : WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, wide.data(),
                                            static_cast<int>(wide.size()), buf, sizeof buf, nullptr,
                                            &lossy);
        if (got > 0 && !lossy)
            out.append(buf, static_cast<std::size_t>(got));
        else
            out.append(utf8, i, n);
        i += n;
    }
    return out;
}

std::string codeset_to_utf8(const std::string& text, const std::string& codeset) {
    UINT cp = code_page(codeset);
    if (codeset_is_utf8(codeset) || cp == 0 || text.empty())
        return text;
    int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data(),
                                static_cast<int>(text.size()), nullptr, 0);
    if (n > 0) {
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
        return narrow(wide);
    }
    // A byte the code page does not define is taken as Latin-1.
    std::string out;
    for (unsigned char byte : text) {
        wchar_t w = 0;
        if (MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(&byte), 1,
                                &w, 1) == 1)
            out += narrow(&w, 1);
        else
            append_latin1(out, byte);
    }
    return out;
}

std::string to_locale_codeset(const std::string& utf8) {
    return utf8_to_codeset(utf8, locale_codeset());
}

std::string from_locale_codeset(const std::string& text) {
    return codeset_to_utf8(text, locale_codeset());
}

LocaleDecoder::LocaleDecoder() {
    if (const std::string codeset = locale_codeset(); !codeset_is_utf8(codeset))
        m_codeset = codeset;
}

LocaleDecoder::~LocaleDecoder() = default;

void LocaleDecoder::decode(std::string& text) {
    if (!m_codeset.empty())
        text = codeset_to_utf8(text, m_codeset);
}

} // namespace kvr::sys
