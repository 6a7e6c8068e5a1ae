#include "platform/automation/Variant.h"

#include "platform/automation/ComError.h"
#include "platform/automation/Object.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kvr {

namespace {

using ArrayPtr = std::shared_ptr<VariantArray>;
using BytesPtr = std::shared_ptr<ByteArray>;

[[noreturn]] void type_mismatch() {
    raise_runtime(rt::TypeMismatch);
}

std::string decimal_point() {
    const std::lconv* lc = std::localeconv();
    if (lc && lc->decimal_point && *lc->decimal_point)
        return lc->decimal_point;
    return ".";
}

// Shortest text of a real with `digits` significant digits, the locale's decimal separator.
std::string real_text(double d, int digits) {
    if (d == 0)
        return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, d);
    std::string s = buf;
    // %G keeps no trailing zeros; only the decimal point needs the locale's form.
    auto dot = s.find('.');
    if (dot != std::string::npos)
        s.replace(dot, 1, decimal_point());
    return s;
}

// UTF-8 decoding that passes invalid bytes through as themselves.
template <typename F> void for_each_code_point(const std::string& s, F&& f) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80         ? 1
                          : (c >> 5) == 6  ? 2
                          : (c >> 4) == 14 ? 3
                          : (c >> 3) == 30 ? 4
                                           : 1;
        if (i + len > s.size())
            len = 1;
        char32_t cp = c;
        if (len > 1) {
            cp = c & (0x7F >> len);
            for (std::size_t k = 1; k < len; ++k) {
                unsigned char cc = static_cast<unsigned char>(s[i + k]);
                if ((cc & 0xC0) != 0x80) {
                    len = 1;
                    cp = c;
                    break;
                }
                cp = (cp << 6) | (cc & 0x3F);
            }
        }
        f(cp, std::string_view(s).substr(i, len), len == 1 && c >= 0x80);
        i += len;
    }
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

template <typename Map> std::string map_case(const std::string& s, Map&& map) {
    std::string out;
    out.reserve(s.size());
    // The text keeps its length: positions found in the mapped text are positions in the
    // original. A character whose mapping would be written in another number of bytes (an
    // overlong or otherwise odd sequence) stays as it came.
    std::string mapped;
    for_each_code_point(s, [&](char32_t cp, std::string_view raw, bool invalid) {
        const char32_t m = invalid ? cp : map(cp);
        mapped.clear();
        if (m != cp)
            append_utf8(mapped, m);
        out += mapped.size() == raw.size() ? std::string_view(mapped) : raw;
    });
    return out;
}

char32_t upper(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    return c;
}

char32_t lower(char32_t c) {
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    if (c == 0x178)
        return 0xFF;
    return c;
}

double checked_range(double d, double lo, double hi) {
    double r = round_half_even(d);
    if (!(r >= lo && r <= hi))
        raise_runtime(rt::Overflow);
    return r;
}

} // namespace

Variant::Variant(std::shared_ptr<Object> o) : m_type(VarType::Object), m_value(std::move(o)) {}
Variant::Variant(VariantArray a)
    : m_type(VarType::Array), m_value(std::make_shared<VariantArray>(std::move(a))) {}
Variant::Variant(ByteArray b)
    : m_type(VarType::ByteArray), m_value(std::make_shared<ByteArray>(std::move(b))) {}

Variant::Variant(const Variant& other) : m_type(other.m_type), m_value(other.m_value) {
    // Arrays are values in the runtime: a copy never aliases its source.
    if (auto a = std::get_if<ArrayPtr>(&m_value))
        m_value = std::make_shared<VariantArray>(**a);
    else if (auto b = std::get_if<BytesPtr>(&m_value))
        m_value = std::make_shared<ByteArray>(**b);
}

Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        Variant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Variant Variant::null() {
    Variant v;
    v.m_type = VarType::Null;
    return v;
}

Variant Variant::missing() {
    Variant v;
    v.m_type = VarType::Missing;
    return v;
}

Variant Variant::array(std::initializer_list<Variant> items) {
    return Variant(VariantArray(items));
}

double Variant::number() const {
    switch (m_type) {
    case VarType::Boolean:
        return std::get<bool>(m_value) ? -1.0 : 0.0;
    case VarType::Integer:
    case VarType::Long:
        return std::get<std::int32_t>(m_value);
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
        return std::get<double>(m_value);
    default:
        return 0;
    }
}

std::string Variant::to_string() const {
    switch (m_type) {
    case VarType::Empty:
        return "";
    case VarType::Null:
        raise_runtime(rt::InvalidUseOfNull);
    case VarType::Boolean:
        return std::get<bool>(m_value) ? "True" : "False";
    case VarType::Integer:
    case VarType::Long:
        return std::to_string(std::get<std::int32_t>(m_value));
    case VarType::Single:
        return real_text(std::get<double>(m_value), 7);
    case VarType::Double:
        return real_text(std::get<double>(m_value), 15);
    case VarType::Date: {
        double days = std::get<double>(m_value);
        // 1899-12-30 is day 0; civil-from-days after shifting to the Unix epoch.
        long long secs = static_cast<long long>(std::llround(days * 86400.0)) - 25569LL * 86400;
        long long z = (secs >= 0 ? secs : secs - 86399) / 86400 + 719468;
        long long sod = secs - (z - 719468) * 86400;
        long long era = (z >= 0 ? z : z - 146096) / 146097;
        long long doe = z - era * 146097;
        long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        long long mp = (5 * doy + 2) / 153;
        long long d = doy - (153 * mp + 2) / 5 + 1;
        long long m = mp < 10 ? mp + 3 : mp - 9;
        long long y = yoe + era * 400 + (m <= 2);
        char buf[128];
        std::snprintf(buf, sizeof buf, "%02lld/%02lld/%04lld %02lld:%02lld:%02lld", d, m, y,
                      sod / 3600, sod / 60 % 60, sod % 60);
        return buf;
    }
    case VarType::String:
        return std::get<std::string>(m_value);
    case VarType::ByteArray: {
        const auto& b = *std::get<BytesPtr>(m_value);
        return std::string(b.begin(), b.end());
    }
    default:
        type_mismatch();
    }
}

double Variant::to_double() const {
    switch (m_type) {
    case VarType::Empty:
        return 0;
    case VarType::Null:
        raise_runtime(rt::InvalidUseOfNull);
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
        return number();
    case VarType::String:
        return parse_number(std::get<std::string>(m_value));
    default:
        type_mismatch();
    }
}

std::int16_t Variant::to_integer() const {
    return static_cast<std::int16_t>(checked_range(to_double(), -32768.0, 32767.0));
}

std::int32_t Variant::to_long() const {
    return static_cast<std::int32_t>(checked_range(to_double(), -2147483648.0, 2147483647.0));
}

bool Variant::to_bool() const {
    if (m_type == VarType::String) {
        std::string t = ucase(trim(std::get<std::string>(m_value)));
        if (t == "TRUE")
            return true;
        if (t == "FALSE")
            return false;
    }
    return to_double() != 0;
}

const std::string& Variant::as_string() const {
    if (m_type != VarType::String)
        type_mismatch();
    return std::get<std::string>(m_value);
}

const VariantArray& Variant::as_array() const {
    if (m_type != VarType::Array)
        type_mismatch();
    return *std::get<ArrayPtr>(m_value);
}

VariantArray& Variant::as_array() {
    if (m_type != VarType::Array)
        type_mismatch();
    return *std::get<ArrayPtr>(m_value);
}

const ByteArray& Variant::as_bytes() const {
    if (m_type != VarType::ByteArray)
        type_mismatch();
    return *std::get<BytesPtr>(m_value);
}

ByteArray& Variant::as_bytes() {
    if (m_type != VarType::ByteArray)
        type_mismatch();
    return *std::get<BytesPtr>(m_value);
}

std::shared_ptr<Object> Variant::as_object() const {
    if (m_type != VarType::Object)
        raise_runtime(rt::ObjectRequired);
    return std::get<std::shared_ptr<Object>>(m_value);
}

std::string Variant::type_name() const {
    switch (m_type) {
    case VarType::Empty:
        return "Empty";
    case VarType::Null:
        return "Null";
    case VarType::Missing:
        return "Error";
    case VarType::Boolean:
        return "Boolean";
    case VarType::Integer:
        return "Integer";
    case VarType::Long:
        return "Long";
    case VarType::Single:
        return "Single";
    case VarType::Double:
        return "Double";
    case VarType::Date:
        return "Date";
    case VarType::String:
        return "String";
    case VarType::Object: {
        const auto& o = std::get<std::shared_ptr<Object>>(m_value);
        return o ? o->type_name() : "Nothing";
    }
    case VarType::Array:
        return "Variant()";
    case VarType::ByteArray:
        return "Byte()";
    }
    return "Unknown";
}

long Variant::ubound() const {
    if (m_type == VarType::Array)
        return static_cast<long>(std::get<ArrayPtr>(m_value)->size()) - 1;
    if (m_type == VarType::ByteArray)
        return static_cast<long>(std::get<BytesPtr>(m_value)->size()) - 1;
    type_mismatch();
}

bool Variant::operator==(const Variant& other) const {
    if (m_type != other.m_type)
        return false;
    switch (m_type) {
    case VarType::Array:
        return as_array() == other.as_array();
    case VarType::ByteArray:
        return as_bytes() == other.as_bytes();
    default:
        return m_value == other.m_value;
    }
}

std::string trim(const std::string& s) {
    auto b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return "";
    auto e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

std::string ucase(const std::string& s) {
    return map_case(s, upper);
}
std::string lcase(const std::string& s) {
    return map_case(s, lower);
}

std::size_t char_count(const std::string& utf8) {
    std::size_t n = 0;
    for_each_code_point(utf8, [&](char32_t, std::string_view, bool) { ++n; });
    return n;
}

std::string pad_right(const std::string& s, std::size_t width) {
    std::size_t n = char_count(s);
    return n >= width ? s : s + std::string(width - n, ' ');
}

std::string left_chars(const std::string& s, std::size_t count) {
    std::string out;
    std::size_t n = 0;
    for_each_code_point(s, [&](char32_t, std::string_view raw, bool) {
        if (n++ < count)
            out += raw;
    });
    return out;
}

std::size_t InStr(const std::string& s, const std::string& what) {
    const auto p = s.find(what);
    return p == std::string::npos ? 0 : p + 1;
}

std::size_t InStr(std::size_t start, const std::string& s, const std::string& what) {
    if (start < 1)
        raise_runtime(rt::InvalidProcedureCall);
    if (start > s.size())
        return 0;
    const auto p = s.find(what, start - 1);
    return p == std::string::npos ? 0 : p + 1;
}

std::size_t InStrRev(const std::string& s, const std::string& what) {
    const auto p = s.rfind(what);
    return p == std::string::npos ? 0 : p + 1;
}

std::string Mid(const std::string& s, std::size_t start) {
    if (start < 1)
        raise_runtime(rt::InvalidProcedureCall);
    return start > s.size() ? std::string() : s.substr(start - 1);
}

std::string Left(const std::string& s, long long count) {
    if (count < 0)
        raise_runtime(rt::InvalidProcedureCall);
    return s.substr(0, static_cast<std::size_t>(count));
}

std::vector<std::string> Split(const std::string& s, const std::string& sep) {
    std::vector<std::string> pieces;
    if (s.empty())
        return pieces;
    if (sep.empty())
        return {s};
    std::size_t from = 0;
    for (std::size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + sep.size())
        pieces.push_back(s.substr(from, at - from));
    pieces.push_back(s.substr(from));
    return pieces;
}

double round_half_even(double value) {
    // nearbyint follows the current rounding mode, which is ties-to-even unless changed.
    const int mode = std::fegetround();
    if (mode != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    double r = std::nearbyint(value);
    if (mode != FE_TONEAREST)
        std::fesetround(mode);
    return r;
}

std::string format_number(double value, int decimals) {
    // Round in decimal, from the value's 15 significant digits as the runtime shows them, so
    // that 12.345 is the 12.345 a reader sees and not its binary neighbour.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    std::string text = buf;
    bool negative = text[0] == '-';
    if (negative)
        text.erase(0, 1);
    auto e = text.find('e');
    int exponent = std::stoi(text.substr(e + 1));
    std::string digits = text.substr(0, 1) + text.substr(2, e - 2); // d.ddd -> dddd
    // digits represent 0.d1d2... * 10^(exponent + 1); keep (exponent + 1 + decimals) of them.
    int keep = exponent + 1 + decimals;
    std::string kept;
    bool round_up = false;
    if (keep < 0) {
        kept = "0";
    } else {
        std::string padded =
            digits + std::string(static_cast<std::size_t>(
                                     std::max(0, keep - static_cast<int>(digits.size())) + 1),
                                 '0');
        kept = padded.substr(0, static_cast<std::size_t>(keep));
        char next = padded[static_cast<std::size_t>(keep)];
        bool rest_nonzero =
            padded.find_first_not_of('0', static_cast<std::size_t>(keep) + 1) != std::string::npos;
        int last = kept.empty() ? 0 : kept.back() - '0';
        round_up = next > '5' || (next == '5' && (rest_nonzero || last % 2 == 1));
        if (kept.empty())
            kept = "0";
    }
    if (round_up) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
            kept[static_cast<std::size_t>(i--)] = '0';
        if (i < 0)
            kept.insert(0, "1");
        else
            ++kept[static_cast<std::size_t>(i)];
    }
    if (kept.size() <= static_cast<std::size_t>(decimals))
        kept.insert(0, static_cast<std::size_t>(decimals) + 1 - kept.size(), '0');
    std::string whole = kept.substr(0, kept.size() - static_cast<std::size_t>(decimals));
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    std::string out = whole;
    if (decimals > 0)
        out += decimal_point() + kept.substr(kept.size() - static_cast<std::size_t>(decimals));
    bool zero = out.find_first_not_of("0.,") == std::string::npos;
    return negative && !zero ? "-" + out : out;
}

double parse_number(const std::string& text) {
    std::string t = text;
    auto is_space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!t.empty() && is_space(t.front()))
        t.erase(0, 1);
    while (!t.empty() && is_space(t.back()))
        t.pop_back();
    if (t.empty())
        type_mismatch();
    // &H / &O literals.
    if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h' || t[1] == 'O' || t[1] == 'o')) {
        int base = (t[1] == 'H' || t[1] == 'h') ? 16 : 8;
        long long v = 0;
        auto [p, ec] = std::from_chars(t.data() + 2, t.data() + t.size(), v, base);
        if (ec != std::errc() || p != t.data() + t.size())
            type_mismatch();
        return static_cast<double>(v);
    }
    const std::string dp = decimal_point();
    if (dp != ".") {
        auto pos = t.find(dp);
        if (pos != std::string::npos)
            t.replace(pos, dp.size(), ".");
    }
    // Accept [sign] digits [. digits] [E [sign] digits] and nothing else.
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    std::size_t mantissa = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
        ++i, ++mantissa;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
            ++i, ++mantissa;
    }
    if (mantissa == 0)
        type_mismatch();
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        std::size_t exp = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
            ++i, ++exp;
        if (exp == 0)
            type_mismatch();
    }
    if (i != t.size())
        type_mismatch();
    const char* first = t.data() + (t[0] == '+' ? 1 : 0);
    double d = 0;
    auto [p, ec] = std::from_chars(first, t.data() + t.size(), d);
    if (ec == std::errc::result_out_of_range)
        raise_runtime(rt::Overflow);
    if (ec != std::errc() || p != t.data() + t.size())
        type_mismatch();
    return d;
}

bool blank_or_null(const Variant& v) {
    if (v.is_null() || v.is_missing())
        return true;
    return trim(v.to_string()).empty();
}

} // namespace kvr
