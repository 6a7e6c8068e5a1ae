#include "platform/ui/Win32Form.h"

#include "platform/automation/ComError.h"
#include "platform/sys/WideText.h"
#include "platform/ui/Form.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace kvr::ui {

namespace {

thread_local Win32Form::Handler* t_handler = nullptr;

constexpr wchar_t kFormClass[] = L"KVRUpload.Form";
constexpr wchar_t kFrameClass[] = L"KVRUpload.Frame";
constexpr int kProgressSteps = 10000;

HINSTANCE this_module() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

COLORREF colour(std::int32_t rgb_value) {
    return static_cast<COLORREF>(rgb_value) & 0xFFFFFF;
}

Control* control_of(HWND w) {
    return reinterpret_cast<Control*>(GetWindowLongPtrW(w, GWLP_USERDATA));
}

std::string window_text(HWND w) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return sys::narrow(text);
}

DWORD form_style(int border_style) {
    switch (border_style) {
    case bsNone:
        return WS_POPUP | WS_CLIPCHILDREN;
    case bsFixedSingle:
        return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    case bsFixedDialog:
        return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    default:
        return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    }
}

DWORD form_ex_style(int border_style) {
    return WS_EX_CONTROLPARENT | (border_style == bsFixedDialog ? WS_EX_DLGMODALFRAME : 0);
}

DWORD label_alignment(int alignment) {
    return alignment == AlignCenter ? SS_CENTER : alignment == AlignRight ? SS_RIGHT : SS_LEFT;
}

// The transfer icon of the progress panels: a document with an arrow.
void draw_icon(const DRAWITEMSTRUCT& d, GdiCache& gdi) {
    const RECT& r = d.rcItem;
    RECT page{r.left + 4, r.top + 2, r.right - 6, r.bottom - 2};
    FillRect(d.hDC, &page, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(d.hDC, &page, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    HBRUSH blue = gdi.brush(rgb(0, 0, 255));
    const int cx = (r.left + r.right) / 2 - 1, top = r.top + 6, bottom = r.bottom - 8;
    RECT shaft{cx - 2, top, cx + 3, bottom - 5};
    FillRect(d.hDC, &shaft, blue);
    POINT head[] = {{cx - 7, bottom - 6}, {cx + 7, bottom - 6}, {cx, bottom}};
    HGDIOBJ old_brush = SelectObject(d.hDC, blue);
    HGDIOBJ old_pen = SelectObject(d.hDC, GetStockObject(NULL_PEN));
    Polygon(d.hDC, head, 3);
    SelectObject(d.hDC, old_pen);
    SelectObject(d.hDC, old_brush);
}

// A caption wider than its label (the substitute fonts run wider than the originals) is
// drawn up to two pixels smaller before it would wrap or reach into its neighbour.
HFONT font_for(const Control& c, HWND w, GdiCache& gdi) {
    HFONT font = gdi.font(c.font());
    if (c.kind() != ControlKind::Label || c.caption().empty())
        return font;
    RECT r;
    GetClientRect(w, &r);
    const std::wstring text = sys::widen(c.caption());
    HDC dc = GetDC(w);
    for (int smaller = 0; smaller <= 2; ++smaller) {
        font = gdi.font(c.font(), smaller);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        if (size.cx <= r.right)
            break;
    }
    ReleaseDC(w, dc);
    return font;
}

// A frame with a caption draws an etched border with the caption set into its top edge; one
// without is only a container.
void paint_frame(HWND w, const Control& c, GdiCache& gdi) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    RECT r;
    GetClientRect(w, &r);
    FillRect(dc, &r, gdi.brush(c.back_color()));
    if (!c.caption().empty()) {
        HGDIOBJ old = SelectObject(dc, gdi.font(c.font()));
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        RECT edge = r;
        edge.top += tm.tmHeight / 2;
        DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
        SetTextColor(dc, colour(c.fore_color()));
        SetBkColor(dc, colour(c.back_color()));
        SetBkMode(dc, OPAQUE);
        const std::wstring text = sys::widen(c.caption());
        TextOutW(dc, 6, 0, text.c_str(), static_cast<int>(text.size()));
        SelectObject(dc, old);
    }
    EndPaint(w, &ps);
}

LRESULT CALLBACK window_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Win32Form::Handler* h = t_handler;
    Control* self = control_of(w);
    if (!h || !self)
        return DefWindowProcW(w, msg, wp, lp);
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(w, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, h->gdi().brush(self->back_color()));
        return 1;
    }
    case WM_PAINT:
        if (self->kind() != ControlKind::Frame)
            break;
        paint_frame(w, *self, h->gdi());
        return 0;
    case WM_CTLCOLORSTATIC: {
        const Control* c = control_of(reinterpret_cast<HWND>(lp));
        if (!c || c->kind() != ControlKind::Label)
            break;
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, colour(c->fore_color()));
        SetBkColor(dc, colour(c->back_color()));
        return reinterpret_cast<LRESULT>(h->gdi().brush(c->back_color()));
    }
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(h->gdi().brush(self->back_color()));
    case WM_DRAWITEM: {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (d->CtlType != ODT_STATIC)
            break;
        draw_icon(*d, h->gdi());
        return TRUE;
    }
    case WM_COMMAND: {
        // The handlers may unload the form: nothing of this window is used after them.
        HWND child = reinterpret_cast<HWND>(lp);
        Control* c = child ? control_of(child) : nullptr;
        if (!c)
            return 0; // the dialog manager's Enter and Escape: no default buttons here
        const int code = HIWORD(wp);
        if (c->kind() == ControlKind::CommandButton && code == BN_CLICKED) {
            h->clicked(*c);
        } else if (c->kind() == ControlKind::TextBox && code == EN_CHANGE) {
            h->typed(*c, window_text(child));
        } else if (c->kind() == ControlKind::ListBox && code == LBN_SELCHANGE) {
            const LRESULT index = SendMessageW(child, LB_GETCURSEL, 0, 0);
            if (index != LB_ERR)
                h->chosen(*c, static_cast<int>(index));
        }
        return 0;
    }
    case WM_SETCURSOR:
        if (HCURSOR cursor = h->cursor()) {
            SetCursor(cursor);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        if (self->kind() == ControlKind::Form)
            h->closing(*self->form());
        return 0;
    default:
        break;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// Window classes belong to the process; a class left behind by an earlier load of this DLL
// (at the same address, with a procedure that is no longer there) is replaced.
void register_classes() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const wchar_t* name : {kFormClass, kFrameClass}) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = window_proc;
            wc.hInstance = this_module();
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.lpszClassName = name;
            if (!RegisterClassExW(&wc) && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
                UnregisterClassW(name, this_module());
                RegisterClassExW(&wc);
            }
        }
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    });
}

} // namespace

void Win32Form::set_handler(Handler* handler) {
    t_handler = handler;
}

Win32Form::Win32Form(Form& form, HWND owner) : m_form(form) {
    register_classes();
    m_hwnd = CreateWindowExW(form_ex_style(form.border_style()), kFormClass,
                             sys::widen(form.caption()).c_str(), form_style(form.border_style()), 0,
                             0, 1, 1, owner, nullptr, this_module(), nullptr);
    if (!m_hwnd)
        throw ComError(rt::Unexpected, "KVRUpload.ui",
                       "the window " + form.name() + " could not be created (system error " +
                           std::to_string(GetLastError()) + ")");
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(static_cast<Control*>(&form)));
    place_form();
    build_children(nullptr, m_hwnd);
}

Win32Form::~Win32Form() {
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hwnd);
}

void Win32Form::build_children(const Control* container, HWND parent) {
    std::vector<const Control*> children;
    for (const auto& c : m_form.controls())
        if (c->container() == container)
            children.push_back(c.get());
    std::stable_sort(children.begin(), children.end(), [](const Control* a, const Control* b) {
        return a->tab_index() < b->tab_index();
    });
    for (const Control* c : children) {
        HWND w = create_control(*c, parent);
        if (!w)
            continue;
        m_windows[c] = w;
        // A later label lies over an earlier one it overlaps (a value over the end of its
        // caption's box); controls the keyboard visits keep their Tab order beneath.
        if (c->kind() == ControlKind::Label)
            SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (c->kind() == ControlKind::Frame)
            build_children(c, w);
    }
}

HWND Win32Form::create_control(const Control& c, HWND parent) {
    const wchar_t* window_class = nullptr;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex_style = 0;
    std::string text = c.caption();
    switch (c.kind()) {
    case ControlKind::Label:
        window_class = L"STATIC";
        style |= SS_NOPREFIX | label_alignment(c.alignment());
        break;
    case ControlKind::Frame:
        window_class = kFrameClass;
        style |= WS_CLIPCHILDREN;
        ex_style = WS_EX_CONTROLPARENT;
        break;
    case ControlKind::CommandButton:
        window_class = L"BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    case ControlKind::TextBox:
        window_class = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        text = c.text();
        break;
    case ControlKind::ListBox:
        window_class = L"LISTBOX";
        style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        ex_style = WS_EX_CLIENTEDGE;
        text.clear();
        break;
    case ControlKind::Image:
        window_class = L"STATIC";
        style |= SS_OWNERDRAW;
        text.clear();
        break;
    case ControlKind::ProgressBar:
        window_class = PROGRESS_CLASSW;
        style |= PBS_SMOOTH;
        text.clear();
        break;
    default:
        return nullptr; // dialogs and invisible controls have no window
    }
    if (c.visible())
        style |= WS_VISIBLE;
    if (!c.enabled())
        style |= WS_DISABLED;
    HWND w = CreateWindowExW(
        ex_style, window_class, sys::widen(text).c_str(), style, pixels(c.left()), pixels(c.top()),
        std::max(1, pixels(c.width())), std::max(1, pixels(c.height())), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(m_next_id++)), this_module(), nullptr);
    if (!w)
        return nullptr;
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&c));
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(c, w, t_handler->gdi())), FALSE);
    if (c.kind() == ControlKind::ListBox)
        fill_list(c, w);
    if (c.kind() == ControlKind::ProgressBar) {
        SendMessageW(w, PBM_SETRANGE32, 0, kProgressSteps);
        SendMessageW(w, PBM_SETBARCOLOR, 0, RGB(0, 0, 192));
        apply(c, "Value", Variant());
    }
    return w;
}

void Win32Form::fill_list(const Control& c, HWND w) {
    SendMessageW(w, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < c.list_count(); ++i)
        SendMessageW(w, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sys::widen(c.list(i)).c_str()));
    if (c.list_index() >= 0)
        SendMessageW(w, LB_SETCURSEL, static_cast<WPARAM>(c.list_index()), 0);
}

// The model's size is the client area's; its position is the window's.
void Win32Form::place_form() {
    RECT r{0, 0, std::max(1, pixels(m_form.width())), std::max(1, pixels(m_form.height()))};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE)));
    SetWindowPos(m_hwnd, nullptr, pixels(m_form.left()), pixels(m_form.top()), r.right - r.left,
                 r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32Form::apply_form(const std::string& property) {
    if (property == "Visible") {
        ShowWindow(m_hwnd, m_form.visible() ? SW_SHOW : SW_HIDE);
    } else if (property == "Left" || property == "Top" || property == "Width" ||
               property == "Height") {
        place_form();
    } else if (property == "Caption") {
        SetWindowTextW(m_hwnd, sys::widen(m_form.caption()).c_str());
    } else if (property == "BorderStyle") {
        SetWindowLongPtrW(m_hwnd, GWL_STYLE,
                          static_cast<LONG_PTR>(form_style(m_form.border_style()) |
                                                (m_form.visible() ? WS_VISIBLE : 0)));
        SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE,
                          static_cast<LONG_PTR>(form_ex_style(m_form.border_style())));
        place_form();
    } else if (property == "BackColor") {
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
}

void Win32Form::apply(const Control& c, const std::string& property, const Variant& value) {
    auto it = m_windows.find(&c);
    if (it == m_windows.end())
        return;
    HWND w = it->second;
    if (property == "Caption" || property == "Text") {
        if (c.kind() == ControlKind::TextBox) {
            // What the user typed is the model's text already: leave the caret where it is.
            if (window_text(w) != c.text())
                SetWindowTextW(w, sys::widen(c.text()).c_str());
        } else if (c.kind() == ControlKind::Label || c.kind() == ControlKind::CommandButton ||
                   c.kind() == ControlKind::Frame) {
            SetWindowTextW(w, sys::widen(c.caption()).c_str());
            if (c.kind() == ControlKind::Label)
                SendMessageW(w, WM_SETFONT,
                             reinterpret_cast<WPARAM>(font_for(c, w, t_handler->gdi())), FALSE);
            InvalidateRect(w, nullptr, TRUE);
        }
    } else if (property == "Visible") {
        ShowWindow(w, c.visible() ? SW_SHOWNA : SW_HIDE);
    } else if (property == "Enabled") {
        EnableWindow(w, c.enabled());
    } else if (property == "ForeColor" || property == "BackColor") {
        InvalidateRect(w, nullptr, TRUE);
    } else if (property == "Alignment" && c.kind() == ControlKind::Label) {
        const LONG_PTR style =
            GetWindowLongPtrW(w, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK);
        SetWindowLongPtrW(w, GWL_STYLE,
                          style | static_cast<LONG_PTR>(label_alignment(c.alignment())));
        InvalidateRect(w, nullptr, TRUE);
    } else if (property == "FontName" || property == "FontSize" || property == "FontBold") {
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(c, w, t_handler->gdi())),
                     TRUE);
    } else if (property == "Left" || property == "Top" || property == "Width" ||
               property == "Height") {
        MoveWindow(w, pixels(c.left()), pixels(c.top()), std::max(1, pixels(c.width())),
                   std::max(1, pixels(c.height())), TRUE);
    } else if ((property == "Min" || property == "Max" || property == "Value") &&
               c.kind() == ControlKind::ProgressBar) {
        const double range = c.max() > c.min() ? c.max() - c.min() : 1.0;
        const double part = std::clamp((c.value() - c.min()) / range, 0.0, 1.0);
        SendMessageW(w, PBM_SETPOS, static_cast<WPARAM>(part * kProgressSteps + 0.5), 0);
    } else if (property == "AddItem" && c.kind() == ControlKind::ListBox) {
        SendMessageW(w, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(sys::widen(value.to_string()).c_str()));
    } else if (property == "Clear" && c.kind() == ControlKind::ListBox) {
        SendMessageW(w, LB_RESETCONTENT, 0, 0);
    } else if (property == "ListIndex" && c.kind() == ControlKind::ListBox) {
        SendMessageW(w, LB_SETCURSEL, static_cast<WPARAM>(c.list_index()), 0);
    }
}

} // namespace kvr::ui
