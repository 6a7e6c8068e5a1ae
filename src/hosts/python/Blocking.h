// How the Python host runs a library call that may wait (a transfer, an FTP operation, a
// modal window, a dialog): with the interpreter lock released, so that the process's other
// Python threads run meanwhile, and on the main thread with Ctrl-C heard while it waits.
#pragma once

#include "ObjectLock.h"
#include "platform/automation/Variant.h"

#include <functional>

namespace kvr::python {

// Remembers which thread is the interpreter's main one (the only one signals reach).
void note_main_thread();

// Runs `call` without the interpreter lock. A signal whose handler raises (Ctrl-C:
// KeyboardInterrupt) ends the call's waits as a user's cancel would; once the call has
// returned, that exception is raised in the calling thread. A dialog the headless backend
// could not put to anyone is raised as a ComError that says so. With `object`, the call first
// waits (without the interpreter lock, and on the main thread still hearing Ctrl-C) until no
// other thread is in a call on that object. Called with the interpreter lock held.
Variant call_released(const std::function<Variant()>& call, ObjectLock* object = nullptr);

// Host code the library called back (a registered component) raised an exception that ends a
// program rather than an operation (KeyboardInterrupt, SystemExit: not an Exception): the
// library call in progress on this thread takes it, ends its work as a user's cancel would,
// and raises it once the call has returned. False, the exception left set, when it is of
// another kind or no library call is in progress. Called with the interpreter lock held.
bool keep_interrupt();

} // namespace kvr::python
