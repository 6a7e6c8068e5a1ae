// The dispatch interface every object of the model offers a host: members reached late-bound
// by name or dispatch identifier, with declared defaults applied to omitted arguments.
#pragma once

#include "platform/automation/Variant.h"

#include <memory>
#include <string>
#include <string_view>

namespace kvr {

class DispatchTable;

enum class InvokeKind { Get, Put, Call };

class Object : public std::enable_shared_from_this<Object> {
  public:
    Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object();

    // Objects alive in this process (what DllCanUnloadNow answers from).
    static long live_count();

    // The class name a host's TypeName shows.
    virtual std::string type_name() const;
    // The class's dispatch table; objects without one (host-supplied) override the three below.
    virtual const DispatchTable* dispatch_table() const { return nullptr; }

    virtual Variant get(std::string_view name);
    virtual void put(std::string_view name, const Variant& value);
    virtual Variant call(std::string_view name, VariantArray args);

    Variant invoke(std::int32_t dispid, InvokeKind kind, VariantArray args);
};

} // namespace kvr
