// The command's window backend when there is no display: the headless backend does the work
// (it paints, runs modal loops and records), and this wrapper lets a person at a terminal
// take part. It renders the progress window's panel as one refreshed line on stderr (at most
// ten times a second), answers Open/Save dialogs with a path typed on stdin (an empty answer
// cancels), prints message boxes, and asks for Enter where the window waits for its close
// button.
#pragma once

#include "platform/ui/Backend.h"
#include "platform/ui/HeadlessBackend.h"

#include <chrono>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kvr::cli {

class TerminalBackend : public ui::Backend {
  public:
    TerminalBackend(std::ostream& out, std::istream& in);

    // Whether the progress window's panel is drawn on the terminal.
    void set_show_progress(bool show) { m_show_progress = show; }

    void property_changed(const ui::Control& control, const char* property,
                          const Variant& value) override;
    void show_modal(ui::Form& form) override;
    void show(ui::Form& form) override;
    void form_unloaded(ui::Form& form) override;
    void pump() override;
    void wait_until(const std::function<bool()>& done) override;
    void message_box(const std::string& prompt) override;
    std::optional<std::string> file_dialog(const ui::FileDialogRequest& request) override;
    int screen_width() const override;
    int screen_height() const override;
    void set_mouse_pointer(int pointer) override;

    // The panel as one line, from the values its labels show now.
    std::string progress_line() const;

  private:
    std::string value(const std::string& control) const;
    void render(bool force);
    void end_line();
    ui::Control* reachable_close_button() const;

    std::ostream& m_out;
    std::istream& m_in;
    ui::HeadlessBackend m_inner;
    bool m_show_progress = false;
    bool m_rendering = false; // the progress window is on screen
    bool m_upload = false;
    bool m_dirty = false;                    // the panel changed since it was last drawn
    std::map<std::string, Variant> m_values; // "control.Property" -> value
    std::vector<ui::Form*> m_forms;
    std::size_t m_line_width = 0;
    std::chrono::steady_clock::time_point m_last_render{};
};

} // namespace kvr::cli
