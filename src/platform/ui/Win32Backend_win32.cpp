#include "platform/ui/Win32Backend.h"

#include "platform/automation/ComError.h"
#include "platform/sys/Cancel.h"
#include "platform/sys/WideText.h"
#include "platform/ui/Form.h"
#include "platform/ui/GdiCache.h"
#include "platform/ui/Win32FileDialog.h"
#include "platform/ui/Win32Form.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace kvr::ui {

namespace {

constexpr int kHourglass = 11;
// How often a wait looks at the host's cancel check while no message comes.
constexpr DWORD kWaitSliceMs = 100;

void show_message(HWND owner, const std::string& text) {
    MessageBoxW(owner, sys::widen(text).c_str(), L"KVRUpload", MB_OK | MB_SETFOREGROUND);
}

struct ThreadWindows {
    HWND keep;
    std::vector<HWND> windows;
};

BOOL CALLBACK add_enabled_window(HWND w, LPARAM data) {
    auto* found = reinterpret_cast<ThreadWindows*>(data);
    if (w != found->keep && IsWindowVisible(w) && IsWindowEnabled(w))
        found->windows.push_back(w);
    return TRUE;
}

// Visible, enabled top-level windows of the calling thread other than `keep`.
std::vector<HWND> enabled_thread_windows(HWND keep) {
    ThreadWindows found{keep, {}};
    EnumThreadWindows(GetCurrentThreadId(), add_enabled_window, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

class Win32Backend final : public Backend, private Win32Form::Handler {
  public:
    Win32Backend() {
        // Owned windows take no place in the task bar; the owner itself is never shown.
        m_owner = CreateWindowExW(0, L"STATIC", L"KVRUpload", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, nullptr, nullptr);
        Win32Form::set_handler(this);
    }

    ~Win32Backend() override {
        m_windows.clear();
        if (m_owner)
            DestroyWindow(m_owner);
        Win32Form::set_handler(nullptr);
    }

    void property_changed(const Control& control, const char* property,
                          const Variant& value) override {
        auto it = m_windows.find(control.form());
        if (it == m_windows.end())
            return; // built from the model when first shown
        if (&control == control.form())
            it->second->apply_form(property);
        else
            it->second->apply(control, property, value);
    }

    // A modal form disables the thread's other windows while it is shown. The routine its
    // first paint starts runs here; closing the window while that routine works asks the
    // thread to stop, as a host's stop does (a finished transfer's single close button is
    // pressed instead).
    void show_modal(Form& form) override {
        Win32Form& w = window_for(form);
        std::vector<HWND> disabled = enabled_thread_windows(w.hwnd());
        for (HWND other : disabled)
            EnableWindow(other, FALSE);
        struct Enable {
            std::vector<HWND>& windows;
            ~Enable() {
                for (HWND other : windows)
                    if (IsWindow(other))
                        EnableWindow(other, TRUE);
            }
        } enable{disabled};
        const bool outer_close = std::exchange(m_close_asked, false);
        const sys::CancelCheck host = sys::cancel_check();
        // A routine waiting in a network call asks this check in turns: the thread's messages
        // are let through there now and then, so a close reaches the window even then.
        const sys::CancelScope scope([this, host] {
            if (!m_close_asked && GetTickCount() - m_pumped >= kWaitSliceMs) {
                m_pumped = GetTickCount();
                pump();
            }
            return m_close_asked || (host && host());
        });

        show_window(w);
        m_painting.push_back(&form);
        try {
            form.paint();
        } catch (...) {
            m_painting.pop_back();
            m_close_asked = outer_close;
            throw;
        }
        m_painting.pop_back();
        while (form.visible()) {
            if (!window_of(form) || sys::cancel_requested()) {
                form.hide();
                break;
            }
            MsgWaitForMultipleObjectsEx(0, nullptr, kWaitSliceMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            pump();
        }
        m_close_asked = outer_close;
    }

    void show(Form& form) override {
        show_window(window_for(form));
        form.paint();
    }

    void form_unloaded(Form& form) override { m_windows.erase(&form); }

    void pump() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The host's own loop must still see it.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            // Tab and the arrow keys move between a form's controls.
            HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
            if (root && is_form_window(root) && IsDialogMessageW(root, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    void wait_until(const std::function<bool()>& done) override {
        while (!done() && !sys::cancel_requested()) {
            if (!any_form_visible())
                throw ComError(rt::Unexpected, "KVRUpload.ui",
                               "wait for the user: no window is open to answer it");
            MsgWaitForMultipleObjectsEx(0, nullptr, kWaitSliceMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            pump();
        }
    }

    void message_box(const std::string& prompt) override { show_message(active_form(), prompt); }

    std::optional<std::string> file_dialog(const FileDialogRequest& request) override {
        return win32_file_dialog(request, active_form());
    }

    int screen_width() const override { return GetSystemMetrics(SM_CXSCREEN) * twips_per_pixel(); }
    int screen_height() const override { return GetSystemMetrics(SM_CYSCREEN) * twips_per_pixel(); }

    void set_mouse_pointer(int pointer) override {
        m_cursor = pointer == kHourglass ? LoadCursorW(nullptr, IDC_WAIT) : nullptr;
        SetCursor(m_cursor ? m_cursor : LoadCursorW(nullptr, IDC_ARROW));
    }

  private:
    // What the user does: the model's handlers, whose errors reach the user as a message box.
    template <typename F> void run_handler(F&& handler) {
        ++m_handlers;
        try {
            handler();
        } catch (const ComError& e) {
            show_message(active_form(), e.description());
        } catch (const std::exception& e) {
            show_message(active_form(), e.what());
        }
        --m_handlers;
    }

    void clicked(Control& control) override {
        run_handler([&] { control.click(); });
    }
    void typed(Control& control, const std::string& text) override { control.set_text(text); }
    void chosen(Control& control, int index) override {
        if (index >= control.list_count())
            return;
        run_handler([&] {
            control.set_list_index(index);
            control.click();
        });
    }

    void closing(Form& form) override {
        if (std::find(m_painting.begin(), m_painting.end(), &form) != m_painting.end()) {
            if (Control* button = sole_reachable_button(form))
                clicked(*button);
            else
                m_close_asked = true;
            return;
        }
        // A handler still at work (a dialog of it is open) ends before its window goes.
        if (m_handlers > 0)
            return;
        run_handler([&] { form.close(); });
    }

    HCURSOR cursor() const override { return m_cursor; }
    GdiCache& gdi() override { return m_gdi; }

    static Control* sole_reachable_button(const Form& form) {
        Control* found = nullptr;
        for (const auto& c : form.controls())
            if (c->kind() == ControlKind::CommandButton && c->reachable()) {
                if (found)
                    return nullptr;
                found = c.get();
            }
        return found;
    }

    Win32Form& window_for(Form& form) {
        auto& slot = m_windows[&form];
        if (!slot) {
            try {
                slot = std::make_unique<Win32Form>(form, m_owner);
            } catch (...) {
                m_windows.erase(&form);
                throw;
            }
        }
        return *slot;
    }

    Win32Form* window_of(const Form& form) const {
        auto it = m_windows.find(&form);
        return it == m_windows.end() ? nullptr : it->second.get();
    }

    bool is_form_window(HWND w) const {
        for (const auto& [form, window] : m_windows)
            if (window->hwnd() == w)
                return true;
        return false;
    }

    bool any_form_visible() const {
        for (const auto& [form, window] : m_windows)
            if (IsWindowVisible(window->hwnd()))
                return true;
        return false;
    }

    // The window a message box or dialog belongs to: the form in front, if one is shown.
    HWND active_form() const {
        HWND active = GetActiveWindow();
        if (active && is_form_window(active))
            return active;
        for (const auto& [form, window] : m_windows)
            if (IsWindowVisible(window->hwnd()) && IsWindowEnabled(window->hwnd()))
                return window->hwnd();
        return nullptr;
    }

    // In front, with the keyboard on its first control in Tab order.
    static void show_window(const Win32Form& w) {
        ShowWindow(w.hwnd(), SW_SHOW);
        SetForegroundWindow(w.hwnd());
        if (HWND first = GetNextDlgTabItem(w.hwnd(), nullptr, FALSE))
            SetFocus(first);
        else
            SetFocus(w.hwnd());
        UpdateWindow(w.hwnd());
    }

    HWND m_owner = nullptr;
    GdiCache m_gdi;
    std::map<const Form*, std::unique_ptr<Win32Form>> m_windows;
    std::vector<const Form*> m_painting; // forms whose first paint's routine runs, innermost last
    bool m_close_asked = false;
    DWORD m_pumped = 0; // when the cancel check last let the messages through
    int m_handlers = 0;
    HCURSOR m_cursor = nullptr;
};

} // namespace

bool interactive_desktop() {
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true; // nothing says otherwise
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

std::unique_ptr<Backend> make_win32_backend() {
    return std::make_unique<Win32Backend>();
}

} // namespace kvr::ui
