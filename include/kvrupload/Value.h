// A value of the object model, as every property, argument and result travels: empty, null,
// a boolean, a number, a text, an array of values, or an object. Conversions follow the
// legacy runtime's rules and raise kvrupload::Error where it raised.
#pragma once

#include <kvrupload/Export.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvrupload {

class Object;

class KVRUPLOAD_API Value {
  public:
    Value(); // Empty
    Value(bool b);
    Value(std::int32_t l);
    Value(double d);
    Value(std::string s);
    Value(const char* s);
    Value(const std::vector<Value>& items);
    Value(const Object& o);
    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    ~Value();

    static Value null();

    // The runtime's TypeName: "Empty", "Null", "Boolean", "Long", "Double", "String",
    // "Variant()", the class name of an object, ...
    std::string type_name() const;
    bool is_empty() const;
    bool is_null() const;
    bool is_array() const;
    bool is_object() const;

    std::string to_string() const;
    std::int32_t to_long() const;
    double to_double() const;
    bool to_bool() const;
    std::vector<Value> items() const; // an array's elements
    Object to_object() const;

    struct Impl;
    const Impl& impl() const { return *m_impl; }
    explicit Value(std::unique_ptr<Impl> impl);

  private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace kvrupload
