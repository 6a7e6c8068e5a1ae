// What every subcommand of the kvrupload command shares: the result array as JSON on stdout,
// the exit code it means, and a refused property's error on stderr.
#pragma once

#include "platform/automation/ComError.h"
#include "platform/automation/Variant.h"

#include <string>

namespace kvr::cli {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;

// Texts as strings, numbers as numbers, Booleans as true/false, Empty/Null as null, arrays
// as arrays; one line.
std::string to_json(const Variant& v);

// Prints the result as JSON on stdout and returns 0 when element 0 is "1", else 1.
int print_result(const Variant& result);

// Prints "error NUMBER (SOURCE): DESCRIPTION" on stderr and returns kExitRefused.
int print_refused(const ComError& e);

// Prints a usage error on stderr and returns kExitUsage.
int usage_error(const std::string& message, const std::string& help_hint);

} // namespace kvr::cli
