// The command's window backend when there is no display: the headless backend does the work
// (it paints, runs modal loops and records), and this wrapper lets a person at a terminal
// take part. It renders the progress window's panel as one refreshed line on stderr (at most
// ten times a second, in the window's own captions, no wider than the terminal), answers
// Open/Save dialogs with a path typed on stdin (an empty answer cancels; an existing file
// chosen in a Save dialog is replaced only when the person says so), prints message boxes,
// and asks for Enter where the window waits for its close button.
#pragma once

#include "platform/ui/Backend.h"
#include "platform/ui/HeadlessBackend.h"

#include <chrono>
#include <iosfwd>
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

    // The panel as one line, from the captions and values its labels show now, at most
    // `columns` - 1 characters wide (the file's name is shortened first).
    std::string progress_line(std::size_t columns) const;

  private:
    // A label's text as the window shows it now (a caption or a value).
    std::string caption(const std::string& control) const;
    ui::Form* progress_form() const;
    bool confirm_overwrite(const std::string& path);
    std::optional<std::string> ask(const std::string& prompt);
    void render(bool force);
    void end_line();
    ui::Control* reachable_close_button() const;

    std::ostream& m_out;
    std::istream& m_in;
    ui::HeadlessBackend m_inner;
    bool m_show_progress = false;
    bool m_rendering = false; // the progress window is on screen
    bool m_dirty = false;     // the panel changed since it was last drawn
    std::vector<ui::Form*> m_forms;
    std::size_t m_line_width = 0;
    std::chrono::steady_clock::time_point m_last_render{};
};

} // namespace kvr::cli
