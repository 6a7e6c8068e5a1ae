#include "platform/automation/Variant.h"
#include "platform/automation/ComError.h"
#include "support/RaisedNumber.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <tuple>

using namespace kvr;

// A port as text and one that is no number are run by the control's preparation rows.
TEST(Variant, SixteenBitConversionRoundsHalvesToEvenAndChecksRange) {
    const std::tuple<Variant, std::int16_t, std::int32_t> rows[] = {
        {Variant(" 8080 "), 8080, 0},
        {Variant(2.5), 2, 0},
        {Variant(3.5), 4, 0},
        {Variant(-2.5), -2, 0},
        {Variant(32767.4), 32767, 0},
        {Variant(32767.5), 0, rt::Overflow},
        {Variant("-32768"), -32768, 0},
        {Variant("40000"), 0, rt::Overflow},
        {Variant(""), 0, rt::TypeMismatch},
        {Variant("&H1F"), 31, 0},
        {Variant("1e3"), 1000, 0},
        {Variant(), 0, 0},
        {Variant::null(), 0, rt::InvalidUseOfNull},
        {Variant(true), -1, 0}};
    for (const auto& [in, out, error] : rows) {
        std::int16_t got = 0;
        EXPECT_EQ(test::raised_number([&] { got = in.to_integer(); }), error) << in.type_name();
        EXPECT_EQ(got, out) << in.type_name();
    }
}

TEST(Variant, LongConversionOverflowsOutsideThirtyTwoBits) {
    EXPECT_EQ(Variant("2147483647").to_long(), 2147483647);
    EXPECT_EQ(test::raised_number([] { (void)Variant(2147483648.0).to_long(); }), rt::Overflow);
    EXPECT_EQ(Variant(0.5).to_long(), 0);
    EXPECT_EQ(Variant(1.5).to_long(), 2);
}

TEST(Variant, TextAndTypeNameOfValues) {
    const std::tuple<Variant, const char*, const char*> rows[] = {
        {Variant(), "", "Empty"},           {Variant(std::int32_t{8080}), "8080", "Long"},
        {Variant(0.5), "0.5", "Double"},    {Variant(1e20), "1E+20", "Double"},
        {Variant(true), "True", "Boolean"}, {Variant(std::int16_t{-5}), "-5", "Integer"},
        {Variant(2.0), "2", "Double"},      {Variant(0.1f), "0.1", "Single"},
        {Variant("x"), "x", "String"},
    };
    for (const auto& [in, text, type] : rows)
        EXPECT_EQ(in.to_string() + " " + in.type_name(), text + std::string(" ") + type);
    EXPECT_EQ(test::raised_number([] { (void)Variant::null().to_string(); }), rt::InvalidUseOfNull);
}

TEST(Variant, ArraysAreCopiedByValue) {
    Variant a = Variant::array({"1", "x"});
    Variant b = a;
    b.as_array()[1] = "y";
    EXPECT_EQ(a.as_array()[1].to_string(), "x");
    EXPECT_EQ(Variant(ByteArray{}).ubound(), -1);
    EXPECT_EQ(a.ubound(), 1);
}

// Upper case and padding in characters are run by the log's lines.
TEST(Text, TrimCaseAndSearch) {
    EXPECT_EQ(trim("  sim \t "), "sim \t");
    EXPECT_EQ(lcase("ÁRVORE"), "árvore");
    // Case mapping keeps every byte position: odd sequences (overlong, stray, surrogate or
    // beyond U+10FFFF) stay as they came, the rest is mapped.
    for (const std::string odd : {"\xC0\x80", "\xC1\xA1", "\xE0\x81\x81", "\xED\xA0\x80",
                                  "\xF4\x90\x80\x80", "\xFF", "\xC3"}) {
        const std::string text = "A" + odd + "Content-Length: 7";
        EXPECT_EQ(lcase(text), "a" + odd + "content-length: 7");
        EXPECT_EQ(ucase(text), "A" + odd + "CONTENT-LENGTH: 7");
    }
    EXPECT_EQ(left_chars("ação", 2), "aç");
    const std::tuple<std::size_t, const char*, const char*, std::size_t> rows[] = {
        {1, "a]b]", "]", 2}, {3, "a]b]", "]", 4}, {5, "a]b]", "]", 0}, {2, "a]b]", "", 2}};
    for (const auto& [start, text, what, found] : rows)
        EXPECT_EQ(InStr(start, text, what), found) << start;
    EXPECT_THROW(InStr(0, "a", "a"), ComError);
}

TEST(Numbers, PictureFormatsUseTheLocaleDecimalSeparator) {
    const std::tuple<double, int, const char*> rows[] = {
        {0, 2, "0.00"},        {1234.5, 0, "1234"}, {1235.5, 0, "1236"}, {12.345, 2, "12.34"},
        {12.355, 2, "12.36"},  {0.4, 0, "0"},       {2.5, 0, "2"},       {0.005, 2, "0.00"},
        {99.999, 2, "100.00"}, {1e-9, 2, "0.00"},   {-0.4, 0, "0"},
    };
    for (const auto& [value, places, text] : rows)
        EXPECT_EQ(format_number(value, places), text) << value;
    if (std::setlocale(LC_NUMERIC, "pt_BR.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        EXPECT_EQ(format_number(1.5, 2), "1,50");
        EXPECT_EQ(parse_number("1,5"), 1.5);
        std::setlocale(LC_NUMERIC, "C");
    }
}
