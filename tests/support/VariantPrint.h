// How a failed expectation shows a Variant: its type name, its text, an array's elements.
#pragma once

#include "platform/automation/ComError.h"
#include "platform/automation/Variant.h"

#include <ostream>

namespace kvr {

inline void PrintTo(const Variant& v, std::ostream* os) {
    *os << v.type_name();
    if (v.is_array()) {
        *os << " {";
        for (const Variant& e : v.as_array()) {
            PrintTo(e, os);
            *os << "; ";
        }
        *os << "}";
        return;
    }
    try {
        *os << " \"" << v.to_string() << "\"";
    } catch (const ComError&) {
    }
}

} // namespace kvr
