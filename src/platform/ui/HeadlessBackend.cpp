#include "platform/ui/HeadlessBackend.h"

#include "platform/automation/ComError.h"
#include "platform/sys/Cancel.h"
#include "platform/ui/Form.h"

#include <algorithm>

namespace kvr::ui {

namespace {
[[noreturn]] void nobody_can_answer(const std::string& what) {
    throw ComError(rt::Unexpected, "KVRUpload.ui",
                   what + ": no user action is queued and nothing else can end the wait");
}
} // namespace

void HeadlessBackend::record(UiEvent e) {
    if (m_events.size() >= kMaxEvents) {
        m_events.pop_front();
        ++m_dropped;
    }
    m_events.push_back(std::move(e));
}

void HeadlessBackend::property_changed(const Control& control, const char* property,
                                       const Variant& value) {
    const Form* form = control.form();
    std::string form_name = form ? form->name() : "";
    std::string control_name = (form == &control) ? "" : control.name();
    if (form)
        track(*const_cast<Form*>(form));
    record({std::move(form_name), std::move(control_name), property, value});
}

void HeadlessBackend::track(Form& form) {
    if (std::find(m_forms.begin(), m_forms.end(), &form) == m_forms.end())
        m_forms.push_back(&form);
}

void HeadlessBackend::form_unloaded(Form& form) {
    m_forms.erase(std::remove(m_forms.begin(), m_forms.end(), &form), m_forms.end());
}

void HeadlessBackend::show(Form& form) {
    track(form);
    form.paint();
}

void HeadlessBackend::show_modal(Form& form) {
    track(form);
    form.paint();
    while (form.visible()) {
        if (sys::cancel_requested()) {
            form.hide();
            return;
        }
        if (!perform_front_action()) {
            form.hide();
            nobody_can_answer("modal window " + form.name());
        }
    }
}

void HeadlessBackend::pump() {
    while (perform_front_action()) {
    }
}

void HeadlessBackend::wait_until(const std::function<bool()>& done) {
    while (!done() && !sys::cancel_requested()) {
        if (perform_front_action())
            continue;
        // Nobody is there to click: a user offered a single button presses it.
        Control* button = sole_reachable_button();
        if (!button)
            nobody_can_answer("wait for the user");
        button->click();
        if (!done())
            nobody_can_answer("wait for the user");
    }
}

Control* HeadlessBackend::sole_reachable_button() const {
    Control* found = nullptr;
    for (Form* f : m_forms)
        for (const auto& c : f->controls())
            if (c->kind() == ControlKind::CommandButton && c->reachable()) {
                if (found)
                    return nullptr;
                found = c.get();
            }
    return found;
}

void HeadlessBackend::message_box(const std::string& prompt) {
    record({"MsgBox", "", "Prompt", Variant(prompt)});
}

std::optional<std::string> HeadlessBackend::file_dialog(const FileDialogRequest& request) {
    if (m_actions.empty() || m_actions.front().kind != UserAction::Dialog) {
        m_unanswered = std::string(request.save ? "Save As dialog" : "Open dialog") +
                       ": nobody is there to answer it and no answer is queued";
        nobody_can_answer(request.save ? "Save As dialog" : "Open dialog");
    }
    auto answer = m_actions.front().answer;
    m_actions.pop_front();
    return answer;
}

void HeadlessBackend::set_mouse_pointer(int pointer) {
    record({"Screen", "", "MousePointer", Variant(static_cast<std::int32_t>(pointer))});
}

std::vector<UiEvent> HeadlessBackend::events() const {
    return std::vector<UiEvent>(m_events.begin(), m_events.end());
}

void HeadlessBackend::clear_events() {
    m_events.clear();
    m_dropped = 0;
}

void HeadlessBackend::queue(UserAction action) {
    m_actions.push_back(std::move(action));
}

void HeadlessBackend::set_screen(int width_twips, int height_twips) {
    m_screen_width = width_twips;
    m_screen_height = height_twips;
}

Control* HeadlessBackend::find_target(const std::string& target) const {
    auto dot = target.find('.');
    std::string form_name = target.substr(0, dot);
    std::string control_name = dot == std::string::npos ? "" : target.substr(dot + 1);
    for (Form* f : m_forms) {
        if (f->name() != form_name)
            continue;
        if (control_name.empty())
            return f;
        for (const auto& c : f->controls())
            if (c->name() == control_name)
                return c.get();
    }
    return nullptr;
}

bool HeadlessBackend::perform_front_action() {
    if (m_actions.empty() || m_actions.front().kind == UserAction::Dialog)
        return false;
    Control* c = find_target(m_actions.front().target);
    if (!c || !c->reachable())
        return false;
    UserAction action = std::move(m_actions.front());
    m_actions.pop_front();
    switch (action.kind) {
    case UserAction::Text:
        c->set_text(action.answer.value_or(""));
        break;
    case UserAction::Select:
        // Choosing an entry selects it and is the list's click.
        c->set_list_index(action.index);
        c->click();
        break;
    case UserAction::Close:
        c->form()->close();
        break;
    default:
        c->click();
        break;
    }
    return true;
}

HeadlessBackend* headless() {
    return dynamic_cast<HeadlessBackend*>(&backend());
}

} // namespace kvr::ui
