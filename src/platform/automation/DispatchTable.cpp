#include "platform/automation/DispatchTable.h"

#include "platform/automation/ComError.h"

#include <algorithm>
#include <cctype>

namespace kvr {

namespace {

constexpr std::int32_t kArgumentNotOptional = 449;
constexpr std::int32_t kWrongArgumentCount = 450;

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

[[noreturn]] void not_supported(const DispatchTable& t) {
    throw ComError(rt::MethodNotSupported, t.class_name,
                   runtime_description(rt::MethodNotSupported));
}

} // namespace

const Member* DispatchTable::find(std::string_view name) const {
    for (const auto& m : members)
        if (same_name(m.name, name))
            return &m;
    return nullptr;
}

const Member* DispatchTable::find(std::int32_t dispid) const {
    for (const auto& m : members)
        if (m.dispid == dispid)
            return &m;
    return nullptr;
}

void DispatchTable::apply_defaults(const Member& m, VariantArray& args) const {
    if (args.size() > m.params.size())
        throw ComError(kWrongArgumentCount, class_name,
                       "Wrong number of arguments or invalid property assignment");
    for (std::size_t i = 0; i < m.params.size(); ++i) {
        const Param& p = m.params[i];
        if (i >= args.size())
            args.push_back(Variant::missing());
        if (args[i].is_missing()) {
            if (p.default_value)
                args[i] = *p.default_value;
            else if (!p.optional)
                throw ComError(kArgumentNotOptional, class_name, "Argument not optional");
        }
    }
}

Variant DispatchTable::get(Object& self, std::string_view name) const {
    const Member* m = find(name);
    if (!m)
        not_supported(*this);
    if (m->kind == MemberKind::Method) {
        VariantArray none;
        apply_defaults(*m, none);
        return m->method(self, none);
    }
    return m->getter(self);
}

void DispatchTable::put(Object& self, std::string_view name, const Variant& value) const {
    const Member* m = find(name);
    if (!m || !m->putter)
        not_supported(*this);
    m->putter(self, value);
}

Variant DispatchTable::call(Object& self, std::string_view name, VariantArray args) const {
    const Member* m = find(name);
    if (!m)
        not_supported(*this);
    if (m->kind != MemberKind::Method) {
        if (!args.empty())
            throw ComError(kWrongArgumentCount, class_name,
                           "Wrong number of arguments or invalid property assignment");
        return m->getter(self);
    }
    apply_defaults(*m, args);
    return m->method(self, args);
}

} // namespace kvr
