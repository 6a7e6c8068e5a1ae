// One table per class: its members in type-library order with their dispatch identifiers,
// parameters and declared defaults, its identifiers and its interface slot order. It is the
// one source a type library for the class could be generated from.
#pragma once

#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvr {

struct Param {
    Param(std::string n, bool opt = false, std::optional<Variant> def = std::nullopt)
        : name(std::move(n)), optional(opt || def.has_value()), default_value(std::move(def)) {}
    std::string name;
    bool optional = false;
    std::optional<Variant> default_value; // declared default, applied when omitted
};

enum class MemberKind { Property, PropertyGet, Method };

struct Member {
    std::string name;
    std::int32_t dispid = 0;
    MemberKind kind = MemberKind::Method;
    std::vector<Param> params;
    std::function<Variant(Object&)> getter;
    std::function<void(Object&, const Variant&)> putter;
    std::function<Variant(Object&, VariantArray&)> method;
};

class DispatchTable {
  public:
    std::string class_name;
    std::string interface_name;
    std::string clsid;
    std::string iid;
    std::string event_iid;
    std::vector<Member> members;    // type-library order
    std::vector<std::string> slots; // interface slot order, e.g. "ExibirProgresso put"

    const Member* find(std::string_view name) const; // case-insensitive, as late binding is
    const Member* find(std::int32_t dispid) const;

    Variant get(Object& self, std::string_view name) const;
    void put(Object& self, std::string_view name, const Variant& value) const;
    Variant call(Object& self, std::string_view name, VariantArray args) const;

    // Fills omitted trailing arguments with the declared defaults, or Missing.
    void apply_defaults(const Member& m, VariantArray& args) const;
};

// Builds a table for class T from member functions and lambdas.
template <typename T> class DispatchBuilder {
  public:
    explicit DispatchBuilder(std::string class_name) { m_table.class_name = std::move(class_name); }

    DispatchBuilder& ids(std::string interface_name, std::string clsid, std::string iid,
                         std::string event_iid = {}) {
        m_table.interface_name = std::move(interface_name);
        m_table.clsid = std::move(clsid);
        m_table.iid = std::move(iid);
        m_table.event_iid = std::move(event_iid);
        return *this;
    }

    DispatchBuilder& property(std::string name, std::int32_t dispid, Variant (T::*get)() const,
                              void (T::*put)(const Variant&)) {
        Member m;
        m.name = std::move(name);
        m.dispid = dispid;
        m.kind = put ? MemberKind::Property : MemberKind::PropertyGet;
        m.getter = [get](Object& o) { return (static_cast<T&>(o).*get)(); };
        if (put)
            m.putter = [put](Object& o, const Variant& v) { (static_cast<T&>(o).*put)(v); };
        m_table.members.push_back(std::move(m));
        return *this;
    }

    DispatchBuilder& property(std::string name, std::int32_t dispid, std::function<Variant(T&)> get,
                              std::function<void(T&, const Variant&)> put) {
        Member m;
        m.name = std::move(name);
        m.dispid = dispid;
        m.kind = put ? MemberKind::Property : MemberKind::PropertyGet;
        m.getter = [get](Object& o) { return get(static_cast<T&>(o)); };
        if (put)
            m.putter = [put](Object& o, const Variant& v) { put(static_cast<T&>(o), v); };
        m_table.members.push_back(std::move(m));
        return *this;
    }

    DispatchBuilder& method(std::string name, std::int32_t dispid, std::vector<Param> params,
                            std::function<Variant(T&, VariantArray&)> fn) {
        Member m;
        m.name = std::move(name);
        m.dispid = dispid;
        m.kind = MemberKind::Method;
        m.params = std::move(params);
        m.method = [fn](Object& o, VariantArray& a) { return fn(static_cast<T&>(o), a); };
        m_table.members.push_back(std::move(m));
        return *this;
    }

    DispatchBuilder& slots(std::vector<std::string> order) {
        m_table.slots = std::move(order);
        return *this;
    }

    DispatchTable build() { return std::move(m_table); }

  private:
    DispatchTable m_table;
};

} // namespace kvr
