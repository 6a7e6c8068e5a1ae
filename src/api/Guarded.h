// The public façade's bridge to the object model: its values and its one error type.
#pragma once

#include "platform/automation/ComError.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"

#include <kvrupload/Error.h>
#include <kvrupload/Object.h>
#include <kvrupload/Value.h>

namespace kvrupload {

struct Value::Impl {
    kvr::Variant variant;
};

inline Value wrap(kvr::Variant v) {
    return Value(std::make_unique<Value::Impl>(Value::Impl{std::move(v)}));
}

inline std::shared_ptr<kvr::Object> model_object(const Object& o) {
    return std::static_pointer_cast<kvr::Object>(o.handle());
}

// Runs `f`, turning the model's errors into the public one.
template <typename F> auto guarded(F f) -> decltype(f()) {
    try {
        return f();
    } catch (const kvr::ComError& e) {
        throw Error(e.number(), e.source(), e.description());
    }
}

} // namespace kvrupload
