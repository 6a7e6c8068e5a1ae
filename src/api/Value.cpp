#include "api/Guarded.h"

namespace kvrupload {

Value::Value() : m_impl(std::make_unique<Impl>()) {}
Value::Value(bool b) : m_impl(std::make_unique<Impl>(Impl{kvr::Variant(b)})) {}
Value::Value(std::int32_t l) : m_impl(std::make_unique<Impl>(Impl{kvr::Variant(l)})) {}
Value::Value(double d) : m_impl(std::make_unique<Impl>(Impl{kvr::Variant(d)})) {}
Value::Value(std::string s) : m_impl(std::make_unique<Impl>(Impl{kvr::Variant(std::move(s))})) {}
Value::Value(const char* s) : Value(std::string(s)) {}
Value::Value(const Object& o)
    : m_impl(std::make_unique<Impl>(Impl{kvr::Variant(model_object(o))})) {}
Value::Value(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

Value::Value(const std::vector<Value>& items) {
    kvr::VariantArray a;
    a.reserve(items.size());
    for (const auto& v : items)
        a.push_back(v.impl().variant);
    m_impl = std::make_unique<Impl>(Impl{kvr::Variant(std::move(a))});
}

Value::Value(const Value& other) : m_impl(std::make_unique<Impl>(*other.m_impl)) {}
Value::Value(Value&& other) noexcept : m_impl(std::move(other.m_impl)) {
    other.m_impl = nullptr;
}
Value& Value::operator=(const Value& other) {
    if (this != &other)
        m_impl = std::make_unique<Impl>(*other.m_impl);
    return *this;
}
Value& Value::operator=(Value&& other) noexcept {
    std::swap(m_impl, other.m_impl);
    return *this;
}
Value::~Value() = default;

Value Value::null() {
    return wrap(kvr::Variant::null());
}

std::string Value::type_name() const {
    return m_impl->variant.type_name();
}
bool Value::is_empty() const {
    return m_impl->variant.is_empty();
}
bool Value::is_null() const {
    return m_impl->variant.is_null();
}
bool Value::is_array() const {
    return m_impl->variant.is_array();
}
bool Value::is_object() const {
    return m_impl->variant.is_object();
}

std::string Value::to_string() const {
    return guarded([&] { return m_impl->variant.to_string(); });
}
std::int32_t Value::to_long() const {
    return guarded([&] { return m_impl->variant.to_long(); });
}
double Value::to_double() const {
    return guarded([&] { return m_impl->variant.to_double(); });
}
bool Value::to_bool() const {
    return guarded([&] { return m_impl->variant.to_bool(); });
}

std::vector<Value> Value::items() const {
    return guarded([&] {
        std::vector<Value> out;
        for (const auto& v : m_impl->variant.as_array())
            out.push_back(wrap(v));
        return out;
    });
}

Object Value::to_object() const {
    return guarded([&] {
        auto o = m_impl->variant.as_object();
        if (!o)
            kvr::raise_runtime(kvr::rt::ObjectRequired);
        return Object(std::static_pointer_cast<void>(o));
    });
}

} // namespace kvrupload
