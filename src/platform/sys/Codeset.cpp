#include "platform/sys/Codeset.h"

#include "platform/sys/CodesetText.h"

#include <iconv.h>
#include <langinfo.h>

#include <cctype>
#include <cerrno>

namespace kvr::sys {

namespace {

// Converts with iconv; a sequence that cannot be converted is handed to `keep`, which
// appends something for it and says how many input bytes it consumed.
template <typename Keep>
std::string convert(const std::string& text, const std::string& to, const std::string& from,
                    Keep keep) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return text; // an unknown codeset: keep the text as it is rather than lose it
    std::string out;
    out.reserve(text.size() + 16);
    char buf[4096];
    const char* in = text.data();
    std::size_t in_left = text.size();
    auto flush = [&](char* end) { out.append(buf, static_cast<std::size_t>(end - buf)); };
    while (in_left > 0) {
        char* o = buf;
        std::size_t o_left = sizeof buf;
        std::size_t r = iconv(cd, const_cast<char**>(&in), &in_left, &o, &o_left);
        flush(o);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // EILSEQ or EINVAL: keep the offending sequence and carry on after it.
            std::size_t used = keep(out, in, in_left);
            in += used;
            in_left -= used;
        }
    }
    char* o = buf;
    std::size_t o_left = sizeof buf;
    iconv(cd, nullptr, nullptr, &o, &o_left);
    flush(o);
    iconv_close(cd);
    return out;
}

} // namespace

std::string locale_codeset() {
    const char* cs = nl_langinfo(CODESET);
    return cs && *cs ? cs : "ANSI_X3.4-1968";
}

bool codeset_is_utf8(const std::string& codeset) {
    const std::string n = normalised_codeset(codeset);
    return n.empty() || n == "UTF8" || n == "ANSIX3.41968" || n == "ASCII" || n == "USASCII" ||
           n == "646";
}

std::string utf8_to_codeset(const std::string& utf8, const std::string& codeset) {
    if (codeset_is_utf8(codeset))
        return utf8;
    return convert(utf8, codeset, "UTF-8", [](std::string& out, const char* in, std::size_t left) {
        std::size_t n = utf8_length(static_cast<unsigned char>(*in));
        if (n > left)
            n = left;
        out.append(in, n);
        return n;
    });
}

std::string codeset_to_utf8(const std::string& text, const std::string& codeset) {
    if (codeset_is_utf8(codeset))
        return text;
    return convert(text, "UTF-8", codeset, [](std::string& out, const char* in, std::size_t) {
        append_latin1(out, static_cast<unsigned char>(*in));
        return std::size_t{1};
    });
}

std::string to_locale_codeset(const std::string& utf8) {
    return utf8_to_codeset(utf8, locale_codeset());
}

std::string from_locale_codeset(const std::string& text) {
    return codeset_to_utf8(text, locale_codeset());
}

} // namespace kvr::sys
