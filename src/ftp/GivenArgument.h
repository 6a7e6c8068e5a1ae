// Small text rules the FTP class's routines share: what counts as a given optional
// argument, a local path argument, the "%s" filling of the error texts, and an argument's
// text in a failure message.
#pragma once

#include "platform/automation/Variant.h"
#include "platform/sys/LocalPath.h"

#include <string>

namespace kvr {

// Passed and not Null: the lower-cased name of its type is not "null".
inline bool given(const Variant& v) {
    return !v.is_missing() && lcase(v.type_name()) != "null";
}

// Every "%s" (case-sensitive) replaced by `value`.
inline std::string fill_in(std::string text, const std::string& value) {
    for (std::size_t at = text.find("%s"); at != std::string::npos;
         at = text.find("%s", at + value.size()))
        text.replace(at, 2, value);
    return text;
}

// An argument as it reads in a failure text: an omitted or Null one reads as "".
inline std::string text_as_passed(const Variant& v) {
    return given(v) ? v.to_string() : "";
}

// A local path argument, written the legacy way or natively, as a native path; "" when
// omitted or Null.
inline std::string local_argument(const Variant& v) {
    return given(v) ? sys::native_local_path(v.to_string()) : "";
}

} // namespace kvr
