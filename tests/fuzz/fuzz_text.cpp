// The Variant conversions and the text helpers: a conversion succeeds or raises one of the
// runtime's errors, never anything else; case mapping keeps the length and is idempotent;
// trimming is idempotent; character counts and prefixes agree with each other.
#include "FuzzCheck.h"
#include "platform/automation/ComError.h"
#include "platform/automation/Variant.h"

#include <cstddef>
#include <cstdint>
#include <string>

using kvr::Variant;

namespace {
template <typename F> void converts_or_raises(F&& f) {
    try {
        f();
    } catch (const kvr::ComError& e) {
        FUZZ_CHECK(e.number() != 0);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string s(reinterpret_cast<const char*>(data), size);
    const std::string up = kvr::ucase(s), low = kvr::lcase(s);
    FUZZ_CHECK(up.size() == s.size() && low.size() == s.size());
    FUZZ_CHECK(kvr::ucase(up) == up && kvr::lcase(low) == low);
    const std::string t = kvr::trim(s);
    FUZZ_CHECK(kvr::trim(t) == t && t.size() <= s.size());
    const std::size_t n = kvr::char_count(s);
    FUZZ_CHECK(n <= s.size());
    const std::string half = kvr::left_chars(s, n / 2);
    FUZZ_CHECK(s.compare(0, half.size(), half) == 0 && kvr::char_count(half) == n / 2);
    FUZZ_CHECK(kvr::char_count(kvr::pad_right(s, n + 3)) == n + 3);

    const Variant v(s);
    converts_or_raises([&] { (void)v.to_long(); });
    converts_or_raises([&] { (void)v.to_integer(); });
    converts_or_raises([&] { (void)v.to_double(); });
    converts_or_raises([&] { (void)v.to_bool(); });
    FUZZ_CHECK(v.to_string() == s);
    if (size >= 8) {
        double d;
        __builtin_memcpy(&d, data, sizeof d);
        converts_or_raises([&] { (void)Variant(d).to_string(); });
        converts_or_raises([&] { (void)Variant(d).to_long(); });
    }
    return 0;
}
