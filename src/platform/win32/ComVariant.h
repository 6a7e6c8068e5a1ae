// Variant <-> VARIANT without loss: Empty, Null, an omitted argument, Boolean, Integer, Long,
// Single, Double, Date, String, Object, arrays of Variant (0-based SAFEARRAY of VARIANT) and
// byte arrays (SAFEARRAY of bytes). Arguments passed by reference are read through.
#pragma once

#include "platform/automation/Variant.h"

#include <oaidl.h>
#include <windows.h>

namespace kvr::win32 {

// Raises ComError (Type mismatch) for a VARIANT type the object model has no value for.
Variant from_variant(const VARIANT& v);
// `out` must be empty (VariantInit) or cleared by the caller.
void to_variant(const Variant& value, VARIANT* out);

} // namespace kvr::win32
