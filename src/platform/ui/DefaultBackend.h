// The backend a thread starts with, before any host installs its own.
#pragma once

#include "platform/ui/Backend.h"

#include <memory>

namespace kvr::ui {

// Headless where the library has no window system of its own to assume (a host asks for the
// display); on Windows real windows, unless the process runs where no user can see them or
// KVRUPLOAD_UI=headless asks for the headless backend (tests, servers).
std::unique_ptr<Backend> default_backend();

} // namespace kvr::ui
