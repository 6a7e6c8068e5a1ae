#include "platform/sys/Codeset.h"

#include "platform/sys/CodesetText.h"

#include <iconv.h>
#include <langinfo.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace kvr::sys {

namespace {

// Converts with an open iconv descriptor, which it leaves in its initial state; a sequence that
// cannot be converted is handed to `keep`, which appends something for it and says how many
// input bytes it consumed.
template <typename Keep> std::string convert_with(iconv_t cd, const std::string& text, Keep keep) {
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
    return out;
}

iconv_t open_iconv(const std::string& to, const std::string& from) {
    return iconv_open(to.c_str(), from.c_str());
}
bool opened(iconv_t cd) {
    return cd != reinterpret_cast<iconv_t>(-1);
}

template <typename Keep>
std::string convert(const std::string& text, const std::string& to, const std::string& from,
                    Keep keep) {
    iconv_t cd = open_iconv(to, from);
    if (!opened(cd))
        return text; // an unknown codeset: keep the text as it is rather than lose it
    std::string out = convert_with(cd, text, keep);
    iconv_close(cd);
    return out;
}

// A byte that is not valid in the codeset is taken as Latin-1.
std::size_t keep_as_latin1(std::string& out, const char* in, std::size_t) {
    append_latin1(out, static_cast<unsigned char>(*in));
    return 1;
}

const char* current_codeset() {
    const char* cs = nl_langinfo(CODESET);
    return cs && *cs ? cs : "ANSI_X3.4-1968";
}

// Whether the locale's codeset needs no conversion, worked out once per codeset name: texts are
// converted one by one (a listing's names), while the host may switch its locale at any time.
// Per thread, so that no lock is taken; the name is compared, not its address, which a switch
// of locale may free.
bool current_codeset_is_utf8(const char* codeset) {
    thread_local std::string t_codeset;
    thread_local bool t_utf8 = false;
    if (t_codeset.empty() || std::strcmp(t_codeset.c_str(), codeset) != 0) {
        t_utf8 = codeset_is_utf8(codeset);
        t_codeset = codeset;
    }
    return t_utf8;
}

} // namespace

std::string locale_codeset() {
    return current_codeset();
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
    return convert(text, "UTF-8", codeset, keep_as_latin1);
}

std::string to_locale_codeset(const std::string& utf8) {
    const char* codeset = current_codeset();
    return current_codeset_is_utf8(codeset) ? utf8 : utf8_to_codeset(utf8, codeset);
}

std::string from_locale_codeset(const std::string& text) {
    const char* codeset = current_codeset();
    return current_codeset_is_utf8(codeset) ? text : codeset_to_utf8(text, codeset);
}

LocaleDecoder::LocaleDecoder() {
    const char* codeset = current_codeset();
    if (current_codeset_is_utf8(codeset))
        return;
    m_codeset = codeset;
    if (iconv_t cd = open_iconv("UTF-8", m_codeset); opened(cd))
        m_converter = cd;
}

LocaleDecoder::~LocaleDecoder() {
    if (m_converter)
        iconv_close(static_cast<iconv_t>(m_converter));
}

void LocaleDecoder::decode(std::string& text) {
    // An unknown codeset keeps the text as it is rather than lose it.
    if (m_converter)
        text = convert_with(static_cast<iconv_t>(m_converter), text, keep_as_latin1);
}

} // namespace kvr::sys
