// The backend with no display: it records every property change and message box, paints on
// show, and takes the user's actions (clicks, typing, list choices, closing a window, dialog
// answers) from a queue that a test or a host fills. A wait that no queued action can end
// raises an error instead of hanging, except a wait for the user where a single button can be
// pressed: nobody's there, so it is pressed.
// A dialog nobody can answer is also noted, so that a host can report it as such rather than
// let it pass for the user's cancel. One backend per thread, as the forms are.
#pragma once

#include "platform/ui/Backend.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvr::ui {

struct UiEvent {
    std::string form;     // "MsgBox" for a message box, "Screen" for the screen object
    std::string control;  // "" for the form itself
    std::string property; // legacy toolkit name: Caption, Visible, Value, ...
    Variant value;
};

struct UserAction {
    enum Kind { Click, Dialog, Text, Select, Close } kind = Click;
    std::string target;                // "form.control"; "form" to close a window
    std::optional<std::string> answer; // a dialog's path (nothing = Cancel), or the typed text
    int index = -1;                    // the list entry chosen
};

class HeadlessBackend : public Backend {
  public:
    // The record keeps the newest events up to this many (a long transfer changes its
    // labels millions of times; only the latest matter to anyone reading the record).
    static constexpr std::size_t kMaxEvents = 200000;

    void property_changed(const Control& control, const char* property,
                          const Variant& value) override;
    void show_modal(Form& form) override;
    void show(Form& form) override;
    void form_unloaded(Form& form) override;
    void pump() override;
    void wait_until(const std::function<bool()>& done) override;
    void message_box(const std::string& prompt) override;
    std::optional<std::string> file_dialog(const FileDialogRequest& request) override;
    int screen_width() const override { return m_screen_width; }
    int screen_height() const override { return m_screen_height; }
    void set_mouse_pointer(int pointer) override;

    // The record and the scripted user.
    std::vector<UiEvent> events() const;
    void clear_events();
    std::size_t dropped_events() const { return m_dropped; }
    void queue(UserAction action);
    void clear_queue() { m_actions.clear(); }
    std::size_t queued() const { return m_actions.size(); }
    void set_screen(int width_twips, int height_twips);
    // What the last dialog nobody could answer was, once; nothing when there was none.
    std::optional<std::string> take_unanswered() { return std::exchange(m_unanswered, {}); }

    // Registers a form so that queued clicks can find its controls.
    void track(Form& form);

  private:
    void record(UiEvent e);
    // Performs the queued action at the front when its target can be reached now.
    bool perform_front_action();
    Control* find_target(const std::string& target) const;
    Control* sole_reachable_button() const;

    std::deque<UiEvent> m_events;
    std::size_t m_dropped = 0;
    std::deque<UserAction> m_actions;
    std::vector<Form*> m_forms;
    std::optional<std::string> m_unanswered;
    int m_screen_width = 1024 * 15;
    int m_screen_height = 768 * 15;
};

// The headless backend when it is the current one, else null.
HeadlessBackend* headless();

} // namespace kvr::ui
