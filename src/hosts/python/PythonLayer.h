// The part of the module written in Python: the classes a library object is seen through
// (one per dispatch table, so help() lists its members with their signatures), the
// enumerations and the exception classes.
#pragma once

namespace kvr::python {

extern const char* const kPythonLayer;

} // namespace kvr::python
