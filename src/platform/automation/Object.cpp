#include "platform/automation/Object.h"

#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"

#include <atomic>

namespace kvr {

namespace {
[[noreturn]] void not_supported(const Object& o) {
    throw ComError(rt::MethodNotSupported, o.type_name(),
                   runtime_description(rt::MethodNotSupported));
}
} // namespace

namespace {
std::atomic<long> g_live{0};
}

Object::Object() {
    ++g_live;
}
Object::~Object() {
    --g_live;
}
long Object::live_count() {
    return g_live.load();
}

std::string Object::type_name() const {
    const DispatchTable* t = dispatch_table();
    return t ? t->class_name : "Object";
}

Variant Object::get(std::string_view name) {
    const DispatchTable* t = dispatch_table();
    if (!t)
        not_supported(*this);
    return t->get(*this, name);
}

void Object::put(std::string_view name, const Variant& value) {
    const DispatchTable* t = dispatch_table();
    if (!t)
        not_supported(*this);
    t->put(*this, name, value);
}

Variant Object::call(std::string_view name, VariantArray args) {
    const DispatchTable* t = dispatch_table();
    if (!t)
        not_supported(*this);
    return t->call(*this, name, std::move(args));
}

Variant Object::invoke(std::int32_t dispid, InvokeKind kind, VariantArray args) {
    const DispatchTable* t = dispatch_table();
    const Member* m = t ? t->find(dispid) : nullptr;
    if (!m)
        not_supported(*this);
    switch (kind) {
    case InvokeKind::Get:
        return get(m->name);
    case InvokeKind::Put:
        if (args.size() != 1)
            raise_runtime(rt::InvalidProcedureCall, type_name());
        put(m->name, args[0]);
        return Variant();
    case InvokeKind::Call:
        return call(m->name, std::move(args));
    }
    return Variant();
}

} // namespace kvr
