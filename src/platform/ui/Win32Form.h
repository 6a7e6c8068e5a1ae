// One form of the window model as a real Win32 window (Windows builds only): a top-level
// window, owned by a hidden window so that it takes no place in the task bar, with a child
// window per control. Frames are windows of their own that hold their controls, so a
// control's position is relative to its container and a frame's visibility rules its
// children, as in the legacy toolkit. Controls are made in Tab order, which is the order the
// keyboard visits them in.
#pragma once

#include "platform/ui/GdiCache.h"

#include <windows.h>

#include <map>
#include <string>

namespace kvr::ui {

class Control;
class Form;

class Win32Form {
  public:
    // What the user does in a window, for the backend to run as the model's handlers.
    class Handler {
      public:
        virtual ~Handler() = default;
        virtual void clicked(Control& control) = 0;
        virtual void typed(Control& control, const std::string& text) = 0;
        virtual void chosen(Control& control, int index) = 0;
        virtual void closing(Form& form) = 0;
        // The pointer the backend asks for over its windows (null: the windows' own).
        virtual HCURSOR cursor() const = 0;
        virtual GdiCache& gdi() = 0;
    };
    // The handler of the calling thread's windows.
    static void set_handler(Handler* handler);

    Win32Form(Form& form, HWND owner);
    ~Win32Form();
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    HWND hwnd() const { return m_hwnd; }
    // Brings a change of the model to the window.
    void apply_form(const std::string& property);
    void apply(const Control& c, const std::string& property, const Variant& value);

  private:
    void build_children(const Control* container, HWND parent);
    HWND create_control(const Control& c, HWND parent);
    void place_form();
    void fill_list(const Control& c, HWND w);

    Form& m_form;
    HWND m_hwnd = nullptr;
    std::map<const Control*, HWND> m_windows;
    int m_next_id = 1000; // clear of the dialog manager's IDOK and IDCANCEL
};

} // namespace kvr::ui
