#include "platform/ui/fltk/FltkBackend.h"

#include "platform/automation/ComError.h"
#include "platform/sys/Cancel.h"
#include "platform/ui/Control.h"
#include "platform/ui/Form.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Progress.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

namespace kvr::ui {

namespace {

constexpr int kTwipsPerPixel = 15;

int px(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

Fl_Color fl_color_of(std::int32_t rgb_value) {
    return fl_rgb_color(static_cast<uchar>(rgb_value & 0xFF),
                        static_cast<uchar>((rgb_value >> 8) & 0xFF),
                        static_cast<uchar>((rgb_value >> 16) & 0xFF));
}

// Points to pixels at 96 dots per inch.
int font_pixels(double points) {
    return static_cast<int>(points * 96.0 / 72.0 + 0.5);
}

// The transfer icon of the progress panels: a document with an arrow.
class IconBox : public Fl_Box {
  public:
    using Fl_Box::Fl_Box;
    void draw() override {
        fl_color(FL_WHITE);
        fl_rectf(x() + 4, y() + 2, w() - 10, h() - 4);
        fl_color(FL_DARK3);
        fl_rect(x() + 4, y() + 2, w() - 10, h() - 4);
        fl_color(fl_rgb_color(0, 0, 255));
        int cx = x() + w() / 2 - 1, top = y() + 6, bottom = y() + h() - 8;
        fl_rectf(cx - 2, top, 5, bottom - top - 5);
        fl_polygon(cx - 7, bottom - 6, cx + 7, bottom - 6, cx, bottom);
    }
};

// A handler's error reaches the user as a message box, never an unwinding through the toolkit.
template <typename F> void run_handler(F&& handler) {
    try {
        handler();
    } catch (const ComError& e) {
        fl_message("%s", e.description().c_str());
    } catch (const std::exception& e) {
        fl_message("%s", e.what());
    }
}

// The toolkit's warnings (fonts, visuals) are no concern of the host's stderr.
void no_warning(const char*, ...) {}

bool fixed_size(int border_style) {
    return border_style == bsFixedSingle || border_style == bsFixedDialog;
}

// A dialog frame: move and close only, no minimise or maximise (window managers read the
// Motif hints), and no place in the task bar.
void dialog_frame_hints(Fl_Window& w) {
    Window xid = fl_xid(&w);
    if (!xid)
        return;
    struct {
        unsigned long flags, functions, decorations;
        long input_mode;
        unsigned long status;
    } hints = {1 | 2, 4 | 32, 2 | 8 | 16, 0, 0}; // move, close; border, title, menu
    Atom motif = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(fl_display, xid, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&hints), 5);
    Atom state = XInternAtom(fl_display, "_NET_WM_STATE", False);
    Atom skip = XInternAtom(fl_display, "_NET_WM_STATE_SKIP_TASKBAR", False);
    XChangeProperty(fl_display, xid, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&skip), 1);
}

// Offset of a control's container chain inside its form, in twips.
void absolute_origin(const Control& c, int& left, int& top) {
    left = c.left();
    top = c.top();
    for (const Control* p = c.container(); p; p = p->container()) {
        left += p->left();
        top += p->top();
    }
}

class FltkBackend : public Backend {
  public:
    FltkBackend() {
        Fl::visual(FL_RGB);
        Fl::warning = no_warning;
        // The toolkit's own chooser: the same dialog wherever the library runs.
        Fl::option(Fl::OPTION_FNFC_USES_GTK, false);
        fl_message_title_default("");
        fl_close = "OK";
    }

    ~FltkBackend() override {
        for (auto& [form, window] : m_windows)
            window->hide();
    }

    void property_changed(const Control& control, const char* property,
                          const Variant& value) override {
        const Form* form = control.form();
        auto wit = m_windows.find(form);
        if (wit == m_windows.end())
            return; // built from the model when first shown
        if (&control == form) {
            apply_form(*form, *wit->second, property);
            return;
        }
        auto it = m_widgets.find(&control);
        if (it != m_widgets.end())
            apply(control, *it->second, property, value);
    }

    void show_modal(Form& form) override {
        Fl_Double_Window& w = window_for(form);
        w.set_modal();
        show_window(form, w);
        form.paint();
        while (form.visible()) {
            Fl_Double_Window* still = window_of(form);
            // Closed, or the host asked to stop.
            if (!still || !still->shown() || sys::cancel_requested()) {
                form.hide();
                break;
            }
            Fl::wait(0.1);
        }
        // Unloading deletes the window: only one that is still there is made non-modal.
        if (Fl_Double_Window* still = window_of(form))
            still->set_non_modal();
    }

    void show(Form& form) override {
        show_window(form, window_for(form));
        form.paint();
    }

    void form_unloaded(Form& form) override {
        auto it = m_windows.find(&form);
        if (it == m_windows.end())
            return;
        for (const auto& c : form.controls())
            m_widgets.erase(c.get());
        it->second->hide();
        Fl::delete_widget(it->second.release());
        m_windows.erase(it);
    }

    void pump() override { Fl::check(); }

    void wait_until(const std::function<bool()>& done) override {
        while (!done() && !sys::cancel_requested()) {
            if (!Fl::first_window())
                throw ComError(rt::Unexpected, "KVRUpload.ui",
                               "wait for the user: no window is open to answer it");
            Fl::wait(0.1);
        }
    }

    void message_box(const std::string& prompt) override { fl_message("%s", prompt.c_str()); }

    // The toolkit's window of a shown form (null when it has none): for tests and hosts.
    Fl_Double_Window* window_of(const Form& form) const {
        auto it = m_windows.find(&form);
        return it == m_windows.end() ? nullptr : it->second.get();
    }
    Fl_Widget* widget_of(const Control& control) const {
        auto it = m_widgets.find(&control);
        return it == m_widgets.end() ? nullptr : it->second;
    }

    std::optional<std::string> file_dialog(const FileDialogRequest& request) override {
        Fl_Native_File_Chooser chooser;
        chooser.title(request.title.c_str());
        chooser.type(request.save ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                                  : Fl_Native_File_Chooser::BROWSE_FILE);
        std::string filter = fltk_filter(request.filter);
        chooser.filter(filter.c_str());
        chooser.filter_value(request.filter_index > 0 ? request.filter_index - 1 : 0);
        // The dialog starts in the current folder, with the file name it was given.
        std::error_code ec;
        const std::string folder = std::filesystem::current_path(ec).string();
        if (!ec)
            chooser.directory(folder.c_str());
        if (!request.file_name.empty())
            chooser.preset_file(request.file_name.c_str());
        int options = Fl_Native_File_Chooser::NO_OPTIONS;
        if (request.save && (request.flags & 2))
            options |= Fl_Native_File_Chooser::SAVEAS_CONFIRM;
        chooser.options(options);
        switch (chooser.show()) {
        case 0:
            return std::string(chooser.filename());
        case 1:
            return std::nullopt;
        default:
            throw ComError(rt::Unexpected, "KVRUpload.ui",
                           chooser.errmsg() ? chooser.errmsg() : "file dialog failed");
        }
    }

    int screen_width() const override { return Fl::w() * kTwipsPerPixel; }
    int screen_height() const override { return Fl::h() * kTwipsPerPixel; }

    void set_mouse_pointer(int pointer) override {
        Fl_Cursor cursor = pointer == 11 ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT;
        for (auto& [form, window] : m_windows)
            window->cursor(cursor);
        Fl::check();
    }

  private:
    // "Description|pattern;|Description|pattern" -> "Description\tpattern\n..."
    static std::string fltk_filter(const std::string& text) {
        std::string out;
        std::size_t pos = 0;
        while (pos < text.size()) {
            auto bar = text.find('|', pos);
            if (bar == std::string::npos) {
                out += text.substr(pos); // a text of the caller's own: a bare pattern
                break;
            }
            std::string description = text.substr(pos, bar - pos);
            auto next = text.find('|', bar + 1);
            std::string pattern = text.substr(bar + 1, next == std::string::npos ? std::string::npos
                                                                                 : next - bar - 1);
            while (!pattern.empty() && pattern.back() == ';')
                pattern.pop_back();
            // The chooser shows "description(pattern)": a description that already ends
            // with its pattern keeps only the blank before it.
            const std::string shown = "(" + pattern + ")";
            if (!pattern.empty() && description.size() > shown.size() &&
                description.compare(description.size() - shown.size(), shown.size(), shown) == 0)
                description.erase(description.size() - shown.size());
            if (!description.empty() || !pattern.empty()) {
                if (!out.empty())
                    out += '\n';
                out += description + "\t" + pattern;
            }
            if (next == std::string::npos)
                break;
            pos = next + 1;
        }
        return out;
    }

    Fl_Double_Window& window_for(Form& form) {
        auto it = m_windows.find(&form);
        if (it != m_windows.end())
            return *it->second;
        auto w = std::make_unique<Fl_Double_Window>(px(form.left()), px(form.top()),
                                                    std::max(1, px(form.width())),
                                                    std::max(1, px(form.height())));
        w->copy_label(form.caption().c_str());
        w->color(fl_color_of(form.back_color()));
        w->border(form.border_style() != bsNone);
        if (fixed_size(form.border_style()))
            w->size_range(w->w(), w->h(), w->w(), w->h());
        // Widgets in Tab order: the toolkit's keyboard navigation follows their order.
        std::vector<const Control*> in_tab_order;
        for (const auto& c : form.controls())
            in_tab_order.push_back(c.get());
        std::stable_sort(
            in_tab_order.begin(), in_tab_order.end(),
            [](const Control* a, const Control* b) { return a->tab_index() < b->tab_index(); });
        for (const Control* c : in_tab_order)
            build(*c);
        w->end();
        // The title bar's X closes (unloads) the form; Escape closes nothing.
        w->callback(
            [](Fl_Widget*, void* data) {
                if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
                    return;
                run_handler([data] { static_cast<Form*>(data)->close(); });
            },
            &form);
        auto& ref = *w;
        m_windows[&form] = std::move(w);
        return ref;
    }

    void build(const Control& c) {
        int left = 0, top = 0;
        absolute_origin(c, left, top);
        int x = px(left), y = px(top), w = std::max(1, px(c.width())),
            h = std::max(1, px(c.height()));
        Fl_Widget* widget = nullptr;
        switch (c.kind()) {
        case ControlKind::Label:
        case ControlKind::Frame: {
            auto* box = new Fl_Box(x, y, w, h);
            if (c.kind() == ControlKind::Frame)
                box->box(c.caption().empty() ? FL_NO_BOX : FL_ENGRAVED_FRAME);
            widget = box;
            break;
        }
        case ControlKind::CommandButton: {
            auto* b = new Fl_Button(x, y, w, h);
            b->callback(
                [](Fl_Widget*, void* data) {
                    run_handler([data] { static_cast<Control*>(data)->click(); });
                },
                const_cast<Control*>(&c));
            widget = b;
            break;
        }
        case ControlKind::TextBox: {
            auto* input = new Fl_Input(x, y, w, h);
            // What the user types is the control's Text at once.
            input->when(FL_WHEN_CHANGED);
            input->callback(
                [](Fl_Widget* wd, void* data) {
                    static_cast<Control*>(data)->set_text(static_cast<Fl_Input*>(wd)->value());
                },
                const_cast<Control*>(&c));
            widget = input;
            break;
        }
        case ControlKind::ListBox: {
            auto* b = new Fl_Hold_Browser(x, y, w, h);
            b->callback(
                [](Fl_Widget* wd, void* data) {
                    auto* ctl = static_cast<Control*>(data);
                    int line = static_cast<Fl_Hold_Browser*>(wd)->value();
                    if (line < 1 || line > ctl->list_count())
                        return; // a click below the last entry chooses nothing
                    run_handler([ctl, line] {
                        ctl->set_list_index(line - 1);
                        ctl->click();
                    });
                },
                const_cast<Control*>(&c));
            widget = b;
            break;
        }
        case ControlKind::Image:
            widget = new IconBox(x, y, w, h);
            break;
        case ControlKind::ProgressBar:
            widget = new Fl_Progress(x, y, w, h);
            break;
        default:
            return; // dialogs and invisible controls have no widget
        }
        m_widgets[&c] = widget;
        for (const char* p : {"Caption", "Text", "Visible", "Enabled", "ForeColor", "BackColor",
                              "Alignment", "FontSize", "Min", "Max", "Value", "AddItem"})
            apply(c, *widget, p, Variant());
    }

    void apply_form(const Form& form, Fl_Double_Window& w, const std::string& property) {
        if (property == "Visible") {
            if (!form.visible())
                w.hide();
        } else if (property == "Left" || property == "Top" || property == "Width" ||
                   property == "Height") {
            w.resize(px(form.left()), px(form.top()), std::max(1, px(form.width())),
                     std::max(1, px(form.height())));
        } else if (property == "Caption") {
            w.copy_label(form.caption().c_str());
        } else if (property == "BorderStyle") {
            w.border(form.border_style() != bsNone);
            if (fixed_size(form.border_style()))
                w.size_range(w.w(), w.h(), w.w(), w.h());
        } else if (property == "BackColor") {
            w.color(fl_color_of(form.back_color()));
            w.redraw();
        }
    }

    void reposition(const Control& c) {
        for (const auto& other : c.form()->controls()) {
            auto it = m_widgets.find(other.get());
            if (it == m_widgets.end())
                continue;
            int left = 0, top = 0;
            absolute_origin(*other, left, top);
            it->second->resize(px(left), px(top), std::max(1, px(other->width())),
                               std::max(1, px(other->height())));
        }
        if (auto* w = c.form() ? m_windows[c.form()].get() : nullptr)
            w->redraw();
    }

    bool shown_with_containers(const Control& c) const {
        for (const Control* p = &c; p; p = p->container())
            if (!p->visible())
                return false;
        return true;
    }

    void apply(const Control& c, Fl_Widget& w, const std::string& property, const Variant&) {
        if (property == "Caption" || property == "Text") {
            if (c.kind() == ControlKind::TextBox) {
                auto& input = static_cast<Fl_Input&>(w);
                if (std::strcmp(input.value(), c.text().c_str()) != 0)
                    input.value(c.text().c_str());
            } else if (c.kind() != ControlKind::ListBox && c.kind() != ControlKind::Image) {
                w.copy_label(c.caption().c_str());
            }
            if (c.kind() == ControlKind::Label)
                fit_caption(c, w);
        } else if (property == "Visible") {
            // A frame's visibility rules its children too.
            for (const auto& other : c.form()->controls()) {
                auto it = m_widgets.find(other.get());
                if (it == m_widgets.end())
                    continue;
                if (shown_with_containers(*other))
                    it->second->show();
                else
                    it->second->hide();
            }
        } else if (property == "Enabled") {
            if (c.enabled())
                w.activate();
            else
                w.deactivate();
        } else if (property == "ForeColor") {
            w.labelcolor(fl_color_of(c.fore_color()));
        } else if (property == "BackColor") {
            // Labels stay transparent: a neighbour's background never hides a caption
            // that the substitute fonts draw wider than the originals.
            if (c.kind() == ControlKind::Frame)
                w.color(fl_color_of(c.back_color()));
        } else if (property == "Alignment") {
            // No clipping: the substitute fonts run wider than the originals. Texts hang from
            // the top, as the legacy labels drew them, so a value lines up with its caption.
            Fl_Align inside = FL_ALIGN_INSIDE | FL_ALIGN_TOP;
            if (c.kind() == ControlKind::Frame)
                w.align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
            else if (c.kind() == ControlKind::Label)
                w.align(c.alignment() == AlignCenter  ? inside
                        : c.alignment() == AlignRight ? inside | FL_ALIGN_RIGHT
                                                      : inside | FL_ALIGN_LEFT);
        } else if (property == "FontSize" || property == "FontBold" || property == "FontName") {
            w.labelfont(c.font().bold ? FL_HELVETICA_BOLD : FL_HELVETICA);
            w.labelsize(font_pixels(c.font().size));
            if (c.kind() == ControlKind::Label)
                fit_caption(c, w);
            else if (c.kind() == ControlKind::TextBox)
                static_cast<Fl_Input&>(w).textsize(font_pixels(c.font().size));
            else if (c.kind() == ControlKind::ListBox)
                static_cast<Fl_Hold_Browser&>(w).textsize(font_pixels(c.font().size));
        } else if (property == "Left" || property == "Top" || property == "Width" ||
                   property == "Height") {
            reposition(c);
        } else if (property == "Min" || property == "Max" || property == "Value") {
            if (c.kind() == ControlKind::ProgressBar) {
                auto& p = static_cast<Fl_Progress&>(w);
                p.minimum(c.min());
                p.maximum(c.max() > c.min() ? c.max() : c.min() + 1);
                p.value(c.value());
                p.selection_color(fl_rgb_color(0, 0, 192));
            }
        } else if (property == "AddItem" || property == "Clear") {
            if (c.kind() == ControlKind::ListBox) {
                auto& b = static_cast<Fl_Hold_Browser&>(w);
                b.clear();
                for (int i = 0; i < c.list_count(); ++i)
                    b.add(c.list(i).c_str());
            }
        }
        // A transparent label's old text is erased by what lies beneath it.
        if (c.kind() == ControlKind::Label && w.window())
            w.window()->damage(FL_DAMAGE_ALL, w.x(), w.y(), w.w(), w.h());
        else
            w.redraw();
    }

    // A caption wider than its label (the substitute fonts run wider than the originals) is
    // drawn up to two pixels smaller before it would reach into its neighbour.
    static void fit_caption(const Control& c, Fl_Widget& w) {
        const int designed = font_pixels(c.font().size);
        int size = designed;
        const char* text = c.caption().c_str();
        for (; size > designed - 2; --size) {
            fl_font(w.labelfont(), size);
            if (fl_width(text) <= w.w())
                break;
        }
        w.labelsize(size);
    }

    void show_window(const Form& form, Fl_Double_Window& w) {
        w.show();
        if (form.border_style() == bsFixedDialog)
            dialog_frame_hints(w);
        Fl::flush();
    }

    std::map<const Form*, std::unique_ptr<Fl_Double_Window>> m_windows;
    std::map<const Control*, Fl_Widget*> m_widgets;
};

} // namespace

namespace {
// The connection display_available() made, kept for the toolkit: an X server with no client
// left resets itself, and would refuse the toolkit's own connection for a moment.
Display* g_display = nullptr;
} // namespace

bool display_available() {
    if (g_display)
        return true;
    const char* d = std::getenv("DISPLAY");
    if (!d || !*d)
        return false;
    g_display = XOpenDisplay(d);
    return g_display != nullptr;
}

std::unique_ptr<Backend> make_fltk_backend() {
    // The toolkit ends the process when it cannot open the display itself; handed one that
    // is open (the one display_available() keeps), it never has to, and a display that
    // refuses is the caller's error.
    if (!fl_display) {
        if (!display_available()) {
            const char* d = std::getenv("DISPLAY");
            throw ComError(rt::Unexpected, "KVRUpload.ui",
                           std::string("the display ") + (d && *d ? d : "(DISPLAY unset)") +
                               " refused the connection");
        }
        fl_open_display(g_display);
    }
    return std::make_unique<FltkBackend>();
}

Fl_Double_Window* fltk_window(const Form& form) {
    auto* b = dynamic_cast<FltkBackend*>(&backend());
    return b ? b->window_of(form) : nullptr;
}

Fl_Widget* fltk_widget(const Control& control) {
    auto* b = dynamic_cast<FltkBackend*>(&backend());
    return b ? b->widget_of(control) : nullptr;
}

} // namespace kvr::ui
