// A control of the retained window model: plain properties with the legacy toolkit's names,
// every change reported to the backend (which draws it, or records it when headless).
#pragma once

#include "platform/automation/Variant.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvr::ui {

class Form;

enum class ControlKind {
    Form,
    Label,
    Frame,
    CommandButton,
    TextBox,
    ListBox,
    Image,
    ProgressBar,
    CommonDialog,
    Invisible, // a non-visual control such as the transfer control on a form
};

// The legacy RGB(): red in the low byte.
constexpr std::int32_t rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

enum Alignment { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };

struct Font {
    std::string name = "MS Sans Serif";
    double size = 8.25;
    bool bold = false;
};

class Control {
  public:
    Control(Form* form, std::string name, ControlKind kind, Control* container);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return m_name; }
    ControlKind kind() const { return m_kind; }
    Form* form() const { return m_form; }
    Control* container() const { return m_container; }

    const std::string& caption() const { return m_caption; }
    void set_caption(const std::string& text);
    const std::string& text() const { return m_text; }
    void set_text(const std::string& text);
    bool visible() const { return m_visible; }
    void set_visible(bool v);
    bool enabled() const { return m_enabled; }
    void set_enabled(bool e);
    std::int32_t fore_color() const { return m_fore_color; }
    void set_fore_color(std::int32_t c);
    std::int32_t back_color() const { return m_back_color; }
    void set_back_color(std::int32_t c);
    int alignment() const { return m_alignment; }
    void set_alignment(int a);
    const Font& font() const { return m_font; }
    void set_font(const Font& f);

    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void set_left(int v);
    void set_top(int v);
    void set_width(int v);
    void set_height(int v);
    void move(int left, int top);
    void move(int left, int top, int width, int height);
    // The position in the keyboard's Tab order (a toolkit visits controls in that order).
    int tab_index() const { return m_tab_index; }
    void set_tab_index(int index);

    // Progress bar.
    float min() const { return m_min; }
    float max() const { return m_max; }
    float value() const { return m_value; }
    void set_min(float v);
    void set_max(float v);
    void set_value(float v);

    // List box.
    void add_item(const std::string& item);
    void clear();
    int list_count() const { return static_cast<int>(m_items.size()); }
    std::string list(int index) const;
    int list_index() const { return m_list_index; }
    void set_list_index(int index);

    // Click notification: what the user's click (or a scripted one) runs.
    std::function<void()> on_click;
    void click();

    // Visible and enabled, with every container up to the form: a user could click it.
    bool reachable() const;

  protected:
    void changed(const char* property, const Variant& value);

  private:
    Form* m_form;
    std::string m_name;
    ControlKind m_kind;
    Control* m_container;
    std::string m_caption;
    std::string m_text;
    bool m_visible = true;
    bool m_enabled = true;
    std::int32_t m_fore_color = 0;
    std::int32_t m_back_color = rgb(240, 240, 240);
    int m_alignment = AlignLeft;
    Font m_font;
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    int m_tab_index = 0;
    float m_min = 0, m_max = 100, m_value = 0;
    std::vector<std::string> m_items;
    int m_list_index = -1;
};

} // namespace kvr::ui
