// The automation layer's universal value: what every property, argument and result of the
// object model travels in. It follows the legacy runtime's conversion rules so that the
// system's routines can be written as they were described.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace kvr {

class Object;
class Variant;

using VariantArray = std::vector<Variant>;
using ByteArray = std::vector<std::uint8_t>;

enum class VarType {
    Empty,
    Null,
    Missing, // an optional argument the caller left out
    Boolean,
    Integer, // 16-bit
    Long,    // 32-bit
    Single,
    Double,
    Date, // days since 1899-12-30, fraction = time of day
    String,
    Object,
    Array,
    ByteArray,
};

struct DateValue {
    double days = 0;
};

class Variant {
  public:
    Variant() = default;
    Variant(const Variant& other);
    Variant(Variant&&) noexcept = default;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&&) noexcept = default;
    ~Variant() = default;
    Variant(bool b) : m_type(VarType::Boolean), m_value(b) {}
    Variant(std::int16_t i) : m_type(VarType::Integer), m_value(std::int32_t{i}) {}
    Variant(std::int32_t l) : m_type(VarType::Long), m_value(l) {}
    Variant(float f) : m_type(VarType::Single), m_value(double{f}) {}
    Variant(double d) : m_type(VarType::Double), m_value(d) {}
    Variant(DateValue d) : m_type(VarType::Date), m_value(d.days) {}
    Variant(std::string s) : m_type(VarType::String), m_value(std::move(s)) {}
    Variant(const char* s) : Variant(std::string(s)) {}
    Variant(std::shared_ptr<Object> o);
    Variant(VariantArray a);
    Variant(ByteArray b);

    static Variant empty() { return Variant(); }
    static Variant null();
    static Variant missing();
    static Variant array(std::initializer_list<Variant> items);

    VarType type() const { return m_type; }
    bool is_empty() const { return m_type == VarType::Empty; }
    bool is_null() const { return m_type == VarType::Null; }
    bool is_missing() const { return m_type == VarType::Missing; }
    bool is_string() const { return m_type == VarType::String; }
    bool is_array() const { return m_type == VarType::Array; }
    bool is_object() const { return m_type == VarType::Object; }

    // Conversions with the runtime's rules; each raises ComError (6, 13 or 94) like it.
    std::string to_string() const;   // CStr
    std::int16_t to_integer() const; // CInt: halves to even, Overflow outside 16 bits
    std::int32_t to_long() const;    // CLng
    double to_double() const;        // CDbl
    bool to_bool() const;            // CBool

    // Direct access (no conversion); raise Type mismatch when the type differs.
    const std::string& as_string() const;
    const VariantArray& as_array() const;
    VariantArray& as_array();
    const ByteArray& as_bytes() const;
    ByteArray& as_bytes();
    std::shared_ptr<Object> as_object() const;
    // The stored number for numeric types (Boolean True is -1), without checks.
    double number() const;

    // The runtime's TypeName: "Empty", "Null", "String", "Long", "Variant()", ...
    std::string type_name() const;

    // Upper bound of an array or byte array (-1 when empty); Type mismatch otherwise.
    long ubound() const;

    bool operator==(const Variant& other) const; // structural, for tests and records

  private:
    VarType m_type = VarType::Empty;
    std::variant<std::monostate, std::int32_t, double, bool, std::string, std::shared_ptr<Object>,
                 std::shared_ptr<VariantArray>, std::shared_ptr<ByteArray>>
        m_value;
};

// Text helpers the system's routines use on texts (blanks only, code points, Latin-1 case).
std::string trim(const std::string& s);
std::string ucase(const std::string& s);
std::string lcase(const std::string& s);
std::size_t char_count(const std::string& utf8);                 // code points
std::string pad_right(const std::string& s, std::size_t width);  // to `width` code points
std::string left_chars(const std::string& s, std::size_t count); // first `count` code points

// The runtime's own text functions as the routines use them: positions count from 1, a search
// that finds nothing gives 0, and a start or length below the first is an invalid call (5).
std::size_t InStr(const std::string& s, const std::string& what); // first `what`, or 0
// The first `what` at or after `start`; 0 when `start` is past the end.
std::size_t InStr(std::size_t start, const std::string& s, const std::string& what);
std::size_t InStrRev(const std::string& s, const std::string& what); // last `what`, or 0
std::string Mid(const std::string& s, std::size_t start);            // from `start` to the end
std::string Left(const std::string& s, long long count);
// No pieces for an empty text; the whole text as one piece for an empty separator.
std::vector<std::string> Split(const std::string& s, const std::string& sep);

// Rounding of the runtime: to the nearest, halves to even.
double round_half_even(double value);

// Picture formats "##0", "#0", "###0.00": no grouping, the locale's decimal separator.
std::string format_number(double value, int decimals);

// The runtime's text to number parse (Type mismatch when it is not a number).
double parse_number(const std::string& text);

// Blank after trimming, or Null: how the system tests "given" texts.
bool blank_or_null(const Variant& v);

} // namespace kvr
