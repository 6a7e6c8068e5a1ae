// The Open and Save As dialogs of the Windows common dialog library (Windows builds only).
#pragma once

#include "platform/ui/Backend.h"

#include <optional>
#include <string>

namespace kvr::ui {

// "Description|pattern|Description|pattern" as the dialog reads it: NUL-separated pairs
// ending in two NULs. A text without a bar (a caller's own) is both the description and the
// pattern.
std::wstring win32_filter(const std::string& filter);

// Shows the dialog over `owner` (a window handle, or null): the chosen path, or nothing when
// the user cancelled. Any other failure of the dialog raises.
std::optional<std::string> win32_file_dialog(const FileDialogRequest& request, void* owner);

} // namespace kvr::ui
