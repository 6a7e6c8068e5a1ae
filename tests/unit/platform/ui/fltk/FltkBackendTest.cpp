// fixtures: display
#include "platform/ui/fltk/FltkBackend.h"
#include "platform/ui/Form.h"
#include "support/FltkTestSupport.h"
#include "support/TestSupport.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <cstdlib>

// Xlib's macros (None, Status, ...) clash with GoogleTest's names: it comes last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace kvr::ui;

namespace {

class frmJanela : public Form {
  public:
    frmJanela() : Form("frmJanela") {
        move(1500, 1500, 4500, 1800);
        set_back_color(rgb(224, 224, 224));
        titulo = &add("Label1", ControlKind::Label);
        titulo->move(150, 150, 2500, 300);
        titulo->set_caption("KVRUpload");
        titulo->set_fore_color(rgb(0, 0, 255));
        titulo->set_font({"Tahoma", 12, true});
        barra = &add("ProgressBar1", ControlKind::ProgressBar);
        barra->move(150, 900, 4200, 300);
        fechar = &add("cmdFechar", ControlKind::CommandButton);
        fechar->move(4000, 150, 315, 315);
        fechar->set_caption("X");
        fechar->on_click = [this] { hide(); };
    }
    int paints = 0;
    Control* titulo;
    Control* barra;
    Control* fechar;

  protected:
    void Form_Paint() override { ++paints; }
};

// Counts pixels of one colour in a rectangle of the screen.
int count_pixels(Display* dpy, int x, int y, int w, int h, unsigned r, unsigned g, unsigned b) {
    XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!img)
        return -1;
    int n = 0;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            unsigned long p = XGetPixel(img, i, j);
            if (((p >> 16) & 0xFF) == r && ((p >> 8) & 0xFF) == g && (p & 0xFF) == b)
                ++n;
        }
    XDestroyImage(img);
    return n;
}

using FltkBackendTest = kvr::test::FltkTest;

} // namespace

TEST_F(FltkBackendTest, AFormIsDrawnFollowsItsModelAndEndsAModalShow) {
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    // The X server draws when it gets to it: the loop runs until the screen shows what is
    // expected, for two seconds at the most.
    auto shows = [&](int x, int y, int w, int h, unsigned r, unsigned g, unsigned b, auto test) {
        for (int i = 0; i < 100 && !test(count_pixels(dpy, x, y, w, h, r, g, b)); ++i)
            Fl::wait(0.02);
        return test(count_pixels(dpy, x, y, w, h, r, g, b));
    };
    auto over = [](int n) { return [n](int got) { return got > n; }; };
    auto under = [](int n) { return [n](int got) { return got < n; }; };
    frmJanela f;
    f.show();
    // The window sits at (100, 100) pixels with its grey background and a blue caption.
    EXPECT_TRUE(shows(100, 100, 300, 120, 224, 224, 224, over(1000)));
    EXPECT_TRUE(shows(110, 110, 167, 20, 0, 0, 255, over(10)));
    EXPECT_EQ(f.paints, 1);

    f.barra->set_max(100);
    f.barra->set_value(50);
    f.titulo->set_fore_color(rgb(255, 0, 0));
    EXPECT_TRUE(shows(110, 110, 167, 20, 255, 0, 0, over(10)));
    EXPECT_TRUE(shows(110, 110, 167, 20, 0, 0, 255, under(1)));

    f.hide();
    EXPECT_TRUE(shows(100, 100, 300, 120, 224, 224, 224, under(100)));
    XCloseDisplay(dpy);

    // A modal show returns when a click hides the form.
    Fl::add_timeout(
        0.2, [](void* data) { static_cast<Control*>(data)->click(); }, f.fechar);
    f.show_modal();
    EXPECT_FALSE(f.visible());
    EXPECT_EQ(f.paints, 2);
}
