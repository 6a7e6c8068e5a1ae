#include "platform/ui/Control.h"

#include "platform/automation/ComError.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Form.h"

namespace kvr::ui {

Control::Control(Form* form, std::string name, ControlKind kind, Control* container)
    : m_form(form), m_name(std::move(name)), m_kind(kind), m_container(container),
      m_visible(kind != ControlKind::Form) {}

Control::~Control() = default;

void Control::changed(const char* property, const Variant& value) {
    backend().property_changed(*this, property, value);
}

#define KVR_SETTER(member, prop, expr)                                                             \
    if (member == v)                                                                               \
        return;                                                                                    \
    member = v;                                                                                    \
    changed(prop, expr);

void Control::set_caption(const std::string& v) {
    KVR_SETTER(m_caption, "Caption", Variant(v))
}
void Control::set_text(const std::string& v) {
    KVR_SETTER(m_text, "Text", Variant(v))
}
void Control::set_visible(bool v) {
    KVR_SETTER(m_visible, "Visible", Variant(v))
}
void Control::set_enabled(bool v) {
    KVR_SETTER(m_enabled, "Enabled", Variant(v))
}
void Control::set_fore_color(std::int32_t v) {
    KVR_SETTER(m_fore_color, "ForeColor", Variant(v))
}
void Control::set_back_color(std::int32_t v) {
    KVR_SETTER(m_back_color, "BackColor", Variant(v))
}
void Control::set_alignment(int v) {
    KVR_SETTER(m_alignment, "Alignment", Variant(static_cast<std::int32_t>(v)))
}
void Control::set_left(int v) {
    KVR_SETTER(m_left, "Left", Variant(static_cast<std::int32_t>(v)))
}
void Control::set_top(int v) {
    KVR_SETTER(m_top, "Top", Variant(static_cast<std::int32_t>(v)))
}
void Control::set_width(int v) {
    KVR_SETTER(m_width, "Width", Variant(static_cast<std::int32_t>(v)))
}
void Control::set_height(int v) {
    KVR_SETTER(m_height, "Height", Variant(static_cast<std::int32_t>(v)))
}
void Control::set_tab_index(int v) {
    KVR_SETTER(m_tab_index, "TabIndex", Variant(static_cast<std::int32_t>(v)))
}
void Control::set_min(float v) {
    KVR_SETTER(m_min, "Min", Variant(v))
}
void Control::set_max(float v) {
    KVR_SETTER(m_max, "Max", Variant(v))
}
void Control::set_value(float v) {
    KVR_SETTER(m_value, "Value", Variant(v))
}

#undef KVR_SETTER

void Control::set_font(const Font& f) {
    if (f.name != m_font.name)
        changed("FontName", Variant(f.name));
    if (f.size != m_font.size)
        changed("FontSize", Variant(f.size));
    if (f.bold != m_font.bold)
        changed("FontBold", Variant(f.bold));
    m_font = f;
}

void Control::move(int left, int top) {
    set_left(left);
    set_top(top);
}

void Control::move(int left, int top, int width, int height) {
    move(left, top);
    set_width(width);
    set_height(height);
}

void Control::add_item(const std::string& item) {
    m_items.push_back(item);
    changed("AddItem", Variant(item));
}

void Control::clear() {
    m_items.clear();
    m_list_index = -1;
    changed("Clear", Variant(true));
}

std::string Control::list(int index) const {
    if (index < 0 || index >= list_count())
        raise_runtime(381 /* Invalid property array index */, m_name);
    return m_items[static_cast<std::size_t>(index)];
}

void Control::set_list_index(int index) {
    if (index < -1 || index >= list_count())
        raise_runtime(380 /* Invalid property value */, m_name);
    if (index == m_list_index)
        return;
    m_list_index = index;
    changed("ListIndex", Variant(static_cast<std::int32_t>(index)));
}

void Control::click() {
    if (on_click)
        on_click();
}

bool Control::reachable() const {
    for (const Control* c = this; c; c = c->m_container) {
        if (!c->m_visible || !c->m_enabled)
            return false;
    }
    // The form itself must be shown.
    return m_form && m_form->visible() && m_form->enabled();
}

} // namespace kvr::ui
