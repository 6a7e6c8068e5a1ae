#include "platform/ui/Form.h"

#include "platform/automation/ComError.h"
#include "platform/ui/Backend.h"

namespace kvr::ui {

// A form starts hidden: it is shown only by show() or show_modal().
Form::Form(std::string name) : Control(this, std::move(name), ControlKind::Form, nullptr) {}

Form::~Form() {
    if (backend_alive())
        backend().form_unloaded(*this);
}

Control& Form::add(const std::string& name, ControlKind kind, Control* container) {
    m_controls.push_back(std::make_unique<Control>(this, name, kind, container));
    return *m_controls.back();
}

Control& Form::control(const std::string& name) {
    for (auto& c : m_controls)
        if (c->name() == name)
            return *c;
    throw ComError(rt::MethodNotSupported, this->name(),
                   "Control '" + name + "' not found on form " + this->name());
}

void Form::ensure_loaded() {
    if (m_loaded)
        return;
    m_loaded = true;
    try {
        Form_Load();
    } catch (...) {
        m_loaded = false; // a failed load leaves the form unloaded
        throw;
    }
}

void Form::set_border_style(int style) {
    if (style == m_border_style)
        return;
    m_border_style = style;
    changed("BorderStyle", Variant(static_cast<std::int32_t>(style)));
}

void Form::show_modal() {
    ensure_loaded();
    set_visible(true);
    backend().show_modal(*this);
}

void Form::show() {
    ensure_loaded();
    set_visible(true);
    backend().show(*this);
}

void Form::hide() {
    set_visible(false);
}

void Form::unload() {
    if (!m_loaded)
        return;
    hide();
    Form_Unload();
    m_loaded = false;
    backend().form_unloaded(*this);
}

} // namespace kvr::ui
