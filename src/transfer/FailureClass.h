// What kind of failure the calling thread's last transfer ended in, for hosts that report it
// in their own terms (the command's exit status). It is decided where the failure is, from the
// code that caused it (the Internet library's number, the runtime's file error, the server's
// status line), so a host never has to read the Portuguese message to tell failures apart.
#pragma once

#include <cstdint>

namespace kvr {

enum class FailureClass {
    None,         // the last transfer succeeded
    Other,        // a failure none of the classes below describes
    ServerStatus, // the server answered and refused (an HTTP status other than success)
    Connect,      // the server could not be reached, or its name was not found
    Timeout,      // the server stopped answering
    Tls,          // the secure channel could not be set up or its certificate was refused
    LocalFile,    // a local file or folder could not be read, written or created
    Cancelled,    // the host asked for the work to end (Ctrl-C, a signal)
};

// Kept per thread, as the transfer that set it ran on the calling thread.
FailureClass last_failure_class();
void set_last_failure_class(FailureClass c);

// The class of an Internet library number (12xxx) or a runtime file error number; Other for
// any other number.
FailureClass failure_class_of(std::int32_t number);

} // namespace kvr
