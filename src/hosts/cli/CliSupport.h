// What every subcommand of the kvrupload command shares: the result array as JSON on stdout,
// the exit code it means, a one-line message on stderr for every failure, and Ctrl-C.
#pragma once

#include "platform/automation/ComError.h"
#include "platform/automation/Variant.h"
#include "transfer/FailureClass.h"

#include <string>

namespace kvr::cli {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1; // a failure none of the codes below describes
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;
constexpr int kExitServerStatus = 4; // the server refused (HTTP status, FTP reply)
constexpr int kExitConnect = 5;      // cannot connect, or host not found
constexpr int kExitTimeout = 6;
constexpr int kExitTls = 7;
constexpr int kExitLocalFile = 8;
constexpr int kExitCancelled = 130; // Ctrl-C, as a shell reports a process SIGINT ended

// The exit status table, as --help shows it.
extern const char* const kExitStatusHelp;

int exit_code_of(FailureClass c);

// Texts as strings, numbers as numbers, Booleans as true/false, Empty/Null as null, arrays
// as arrays; one line of valid UTF-8: a byte that is not part of a UTF-8 sequence is written
// as \u00XX, the code point of the same value (the byte read as Latin-1).
std::string to_json(const Variant& v);

// Prints the result as JSON on stdout. On success returns 0; on failure prints
// "kvrupload: MESSAGE" on stderr and returns the exit code of `failure` (130 after Ctrl-C).
int print_result(const Variant& result, FailureClass failure);

// Prints "kvrupload: error NUMBER (SOURCE): DESCRIPTION" on stderr and returns kExitRefused.
int print_refused(const ComError& e);

// Prints "kvrupload: MESSAGE" on stderr and returns `code`.
int print_failure(const std::string& message, int code);

// Prints a usage error on stderr and returns kExitUsage.
int usage_error(const std::string& message, const std::string& help_hint);

// Ctrl-C: from here on the first SIGINT only raises a flag that the library's waits read
// through the calling thread's cancel check (a second one ends the process at once).
void install_interrupt_handler();

// Opens /dev/null on any of stdin, stdout and stderr that the command was started without, so
// that no file or socket the command opens takes their numbers (and "/dev/stdout" never names
// a socket).
void open_missing_standard_streams();
bool interrupted();

bool stdin_is_terminal();
// Before a read from the terminal: waits until a line can be read, and answers false when
// Ctrl-C came first (one that came just before the read would otherwise leave it waiting).
bool terminal_input_ready();
bool stderr_is_terminal();

} // namespace kvr::cli
