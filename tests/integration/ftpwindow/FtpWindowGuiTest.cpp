// fixtures: display
// The FTP client window as real FLTK widgets on the virtual display, driven through the
// toolkit's own event handling.
#include "ftp/frmKVRFtp.h"
#include "support/FltkTestSupport.h"
#include "support/ScriptedFtp.h"

#include <gtest/gtest.h>

#include <fstream>

// Xlib's macros (None, Status, ...) clash with GoogleTest's names: the toolkit comes last.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_PNG_Image.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

using namespace kvr::ui;
using kvr::frmKVRFtp;

namespace {

int px(int twips) {
    return (twips + 7) / 15;
}

void settle() {
    for (int i = 0; i < 10; ++i)
        Fl::wait(0.02);
}

// A mouse click on a widget (`dy` pixels down its height, else its middle), through the
// toolkit's event dispatch.
void click_on(Fl_Widget* w, int dy = 0) {
    Fl_Window* win = w->window();
    Fl::e_x = w->x() + w->w() / 2;
    Fl::e_y = w->y() + (dy ? dy : w->h() / 2);
    Fl::e_x_root = win->x() + Fl::e_x;
    Fl::e_y_root = win->y() + Fl::e_y;
    Fl::e_keysym = FL_Button + 1;
    Fl::e_clicks = 0;
    Fl::e_state = FL_BUTTON1;
    Fl::handle(FL_PUSH, win);
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, win);
}

// Keystrokes to the widget that has the focus.
void type(Fl_Window* win, const std::string& text) {
    for (char ch : text) {
        char buf[2] = {ch, 0};
        Fl::e_keysym = static_cast<unsigned char>(ch);
        Fl::e_text = buf;
        Fl::e_length = 1;
        Fl::e_state = 0;
        Fl::handle(FL_KEYBOARD, win);
    }
    Fl::e_text = const_cast<char*>("");
    Fl::e_length = 0;
}

// The labels of `w` and of everything in it, a line each; `button` becomes the first button
// labelled `wanted`.
void read(Fl_Widget* w, const std::string& wanted, std::string& labels, Fl_Widget*& button) {
    if (w->label() && *w->label()) {
        labels += std::string(w->label()) + "\n";
        if (!button && wanted == w->label() && dynamic_cast<Fl_Button*>(w))
            button = w;
    }
    if (auto* g = w->as_group())
        for (int i = 0; i < g->children(); ++i)
            read(g->child(i), wanted, labels, button);
}

// The user in front of the screen: every window that opens over the form is read and answered
// by pressing the button with the next label given.
struct Answerer {
    Fl_Window* form_window = nullptr;
    std::vector<std::string> buttons, seen;

    static void tick(void* data) {
        auto* self = static_cast<Answerer*>(data);
        for (Fl_Window* w = Fl::first_window(); w && !self->buttons.empty();
             w = Fl::next_window(w)) {
            std::string labels;
            Fl_Widget* button = nullptr;
            if (w != self->form_window && w->shown())
                read(w, self->buttons.front(), labels, button);
            if (button) {
                self->seen.push_back(labels);
                self->buttons.erase(self->buttons.begin());
                button->do_callback();
                break;
            }
        }
        Fl::repeat_timeout(0.1, tick, data);
    }
    void start() { Fl::add_timeout(0.1, tick, this); }
    ~Answerer() { Fl::remove_timeout(tick, this); }
};

// The share of the window's pixels that differ clearly from the reference picture; the window
// as drawn is written to `actual_ppm`.
double difference(Fl_Window* win, const std::string& reference, const std::string& actual_ppm) {
    const int w = win->w(), h = win->h();
    win->make_current();
    const std::unique_ptr<uchar[]> got(fl_read_image(nullptr, 0, 0, w, h));
    std::ofstream ppm(actual_ppm, std::ios::binary);
    ppm << "P6\n" << w << " " << h << "\n255\n";
    ppm.write(reinterpret_cast<const char*>(got.get()), 3L * w * h);
    Fl_PNG_Image ref(reference.c_str());
    if (ref.w() != w || ref.h() != h || ref.d() < 3)
        return 1.0;
    const auto* want = reinterpret_cast<const uchar*>(ref.data()[0]);
    long differing = 0;
    for (long i = 0; i < long{w} * h; ++i)
        for (int k = 0; k < 3; ++k)
            if (std::abs(got[3 * i + k] - want[ref.d() * i + k]) > 48) {
                ++differing;
                break;
            }
    return static_cast<double>(differing) / (w * h);
}

// Shows the form and lets the toolkit draw it; its window.
Fl_Double_Window* shown(Form& f) {
    f.show();
    settle();
    return fltk_window(f);
}

using FtpWindowGui = kvr::test::FltkTest;

} // namespace

TEST_F(FtpWindowGui, AFixedDialogFrameWithEveryControlInItsPlace) {
    frmKVRFtp f;
    Fl_Double_Window* win = shown(f);
    ASSERT_NE(win, nullptr);
    EXPECT_TRUE(win->border());
    // Not resizable: the window manager is told one size only.
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(fl_display, fl_xid(win), &hints, &supplied));
    EXPECT_EQ(hints.flags & (PMinSize | PMaxSize), PMinSize | PMaxSize);
    EXPECT_EQ((std::vector{hints.min_width, hints.min_height, hints.max_width, hints.max_height}),
              (std::vector{323, 187, 323, 187}));
    for (const auto& c : f.controls()) {
        Fl_Widget* w = fltk_widget(*c);
        ASSERT_NE(w, nullptr) << c->name();
        EXPECT_EQ((std::vector<int>{w->x(), w->y(), w->w(), w->h()}),
                  (std::vector<int>{px(c->left()), px(c->top()), px(c->width()), px(c->height())}))
            << c->name();
    }
    // The picture, against the reference (a few pixels may differ: fonts, anti-aliasing).
    const std::string reference = kvr::test::source_dir() + "/tests/data/ftp-window.png";
    const std::string actual = kvr::test::build_dir() + "/ftp-window.actual.ppm";
    EXPECT_LT(difference(win, reference, actual), 0.02) << "the window as drawn: " << actual;
    f.unload();
    EXPECT_EQ(fltk_window(f), nullptr);

    // A borderless form (the progress window's style) keeps no frame at all.
    Form panel("frmPainel");
    panel.move(0, 0, 1500, 1500);
    panel.set_border_style(bsNone);
    ASSERT_NE(shown(panel), nullptr);
    EXPECT_FALSE(fltk_window(panel)->border());
    panel.unload();
}

TEST_F(FtpWindowGui, TypingClickingAndTheDialogsThroughTheToolkit) {
    kvr::test::ScriptedFtp server(R"({"files": {"a.gif": "GIF89a", "b.txt": "b"}})");
    frmKVRFtp f;
    Fl_Double_Window* win = shown(f);
    ASSERT_NE(win, nullptr);
    auto* server_box = static_cast<Fl_Input*>(fltk_widget(f.txtServer));
    server_box->take_focus();
    server_box->position(server_box->size());
    type(win, ":" + std::to_string(server.port()));
    EXPECT_EQ(f.txtServer.text(), server.host());

    click_on(fltk_widget(f.cmdConnect));
    settle();
    ASSERT_EQ(f.lstServer.list_count(), 2);
    EXPECT_FALSE(fltk_widget(f.cmdConnect)->active());
    EXPECT_TRUE(fltk_widget(f.cmdDisconnect)->active());

    // The second entry, clicked: the Save dialog is cancelled, the message box dismissed.
    Answerer user{win, {"Cancel", "OK"}, {}};
    user.start();
    click_on(fltk_widget(f.lstServer), 8 + 14);
    settle();
    EXPECT_EQ(f.lstServer.list_index(), 1);
    ASSERT_EQ(user.seen.size(), 2u);
    EXPECT_NE(user.seen[0].find("Download de Arquivo: Salvar Como"), std::string::npos);
    EXPECT_NE(user.seen[1].find("Getfile: GetFile Cancelado"), std::string::npos);

    // The title bar's X unloads the window (which ends the connection: the headless tests).
    win->do_callback();
    settle();
    EXPECT_FALSE(f.loaded());
    EXPECT_TRUE(server.sent("RETR").empty());
}
