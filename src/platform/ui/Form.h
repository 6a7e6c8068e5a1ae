// A form of the window model: a control that holds the others, loads once on first use,
// paints, shows modally, hides and unloads. Forms are objects of the automation layer too,
// so their public routines and variables can be reached late-bound.
#pragma once

#include "platform/automation/Object.h"
#include "platform/ui/Control.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kvr::ui {

// The legacy BorderStyle values a form may have.
enum BorderStyle {
    bsNone = 0,        // no border, no title bar
    bsFixedSingle = 1, // a title bar, not resizable
    bsSizable = 2,     // the toolkit's default
    bsFixedDialog = 3, // a title bar without minimise or maximise, not resizable
};

class Form : public Control, public kvr::Object {
  public:
    explicit Form(std::string name);
    ~Form() override;

    std::string type_name() const override { return name(); }

    // Adds a control; `container` is a frame of this form or null for the form itself.
    Control& add(const std::string& name, ControlKind kind, Control* container = nullptr);
    // Adds a control of a class of its own (a common dialog, ...), constructed as
    // T(form, name, args...).
    template <typename T, typename... Args>
    T& add_control(const std::string& name, Args&&... args) {
        auto c = std::make_unique<T>(this, name, std::forward<Args>(args)...);
        T& ref = *c;
        m_controls.push_back(std::move(c));
        return ref;
    }
    // The control of that name; error 340-style failure when there is none.
    Control& control(const std::string& name);
    const std::vector<std::unique_ptr<Control>>& controls() const { return m_controls; }

    // Loading runs the load routine once; the first use of a control does it.
    void ensure_loaded();
    bool loaded() const { return m_loaded; }

    // Shows the form modally: returns when it is hidden (by a handler or the routine it runs).
    void show_modal();
    void show();
    void hide();

    // Paint notification, delivered by the backend.
    void paint() { Form_Paint(); }

    // Unload: hides the form and runs the unload hook; the owner drops the instance after.
    void unload();
    // The user closed the window (its title bar's X): the form unloads.
    void close() { unload(); }

    int border_style() const { return m_border_style; }
    void set_border_style(int style);

  protected:
    virtual void Form_Load() {}
    virtual void Form_Paint() {}
    virtual void Form_Unload() {}

  private:
    std::vector<std::unique_ptr<Control>> m_controls;
    bool m_loaded = false;
    int m_border_style = bsSizable;
};

} // namespace kvr::ui
