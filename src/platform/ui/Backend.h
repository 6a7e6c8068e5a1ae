// What the window model asks of a window system. The headless backend records and scripts;
// a GUI backend draws. One backend is current for each thread.
#pragma once

#include "platform/automation/Variant.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kvr::ui {

class Control;
class Form;

// The common dialog's settings at the moment it is shown.
struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string filter;
    int filter_index = 1;
    std::string file_name;
    int flags = 0;
};

class Backend {
  public:
    virtual ~Backend();

    virtual void property_changed(const Control& control, const char* property,
                                  const Variant& value) = 0;
    // Shows `form` modally: paints it, then processes user input until it is hidden (a host's
    // request to stop hides it).
    virtual void show_modal(Form& form) = 0;
    virtual void show(Form& form) = 0;
    virtual void form_unloaded(Form& form) = 0;
    // Processes pending window messages once, then returns.
    virtual void pump() = 0;
    // Processes window messages until `done` holds or the host asks the thread to stop
    // (sys::cancel_requested). A wait that nothing can end raises.
    virtual void wait_until(const std::function<bool()>& done) = 0;
    // A message box with an OK button; returns when dismissed.
    virtual void message_box(const std::string& prompt) = 0;
    // An Open or Save As dialog: the chosen path, or nothing when cancelled.
    virtual std::optional<std::string> file_dialog(const FileDialogRequest& request) = 0;

    virtual int screen_width() const = 0; // twips
    virtual int screen_height() const = 0;
    virtual void set_mouse_pointer(int pointer) = 0;
};

Backend& backend();
// False once the thread has begun to tear its backend down (or never had one).
bool backend_alive();
// Installs a backend for the calling thread; returns the previous one.
std::unique_ptr<Backend> set_backend(std::unique_ptr<Backend> b);

// The legacy toolkit's services, for the system's routines.
inline void DoEvents() {
    backend().pump();
}
inline void MsgBox(const std::string& prompt) {
    backend().message_box(prompt);
}

} // namespace kvr::ui
