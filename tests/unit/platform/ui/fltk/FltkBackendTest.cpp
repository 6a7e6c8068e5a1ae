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

struct frmJanela : Form {
    frmJanela() : Form("frmJanela") {
        move(1500, 1500, 4500, 1800);
        set_back_color(rgb(224, 224, 224));
        titulo->move(150, 150, 2500, 300);
        titulo->set_caption("KVRUpload");
        titulo->set_fore_color(rgb(0, 0, 255));
        titulo->set_font({"Tahoma", 12, true});
        barra->move(150, 900, 4200, 300);
        fechar->move(4000, 150, 315, 315);
        fechar->on_click = [this] { hide(); };
    }
    void Form_Paint() override { ++paints; }
    int paints = 0;
    Control* titulo = &add("Label1", ControlKind::Label);
    Control* barra = &add("ProgressBar1", ControlKind::ProgressBar);
    Control* fechar = &add("cmdFechar", ControlKind::CommandButton);
};

// Counts the pixels of one colour (0xRRGGBB) in a rectangle of the screen.
int count_pixels(Display* dpy, int x, int y, int w, int h, unsigned long colour) {
    XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!img)
        return -1;
    int n = 0;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            n += (XGetPixel(img, i, j) & 0xFFFFFF) == colour;
    XDestroyImage(img);
    return n;
}

using FltkBackendTest = kvr::test::FltkTest;

} // namespace

TEST_F(FltkBackendTest, AFormIsDrawnFollowsItsModelAndEndsAModalShow) {
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    // Whether more than n pixels of a colour show in a rectangle (`more`) or not. The X server
    // draws when it gets to it: the loop waits for the answer wanted, two seconds at the most.
    auto shows = [&](int x, int y, int w, int h, unsigned long colour, int n, bool more) {
        for (int i = 0; i < 100 && (count_pixels(dpy, x, y, w, h, colour) > n) != more; ++i)
            Fl::wait(0.02);
        return (count_pixels(dpy, x, y, w, h, colour) > n) == more;
    };
    frmJanela f;
    f.show();
    // The window sits at (100, 100) pixels with its grey background and a blue caption.
    EXPECT_TRUE(shows(100, 100, 300, 120, 0xE0E0E0, 1000, true));
    EXPECT_TRUE(shows(110, 110, 167, 20, 0x0000FF, 10, true));
    EXPECT_EQ(f.paints, 1);

    f.barra->set_max(100);
    f.barra->set_value(50);
    f.titulo->set_fore_color(rgb(255, 0, 0));
    EXPECT_TRUE(shows(110, 110, 167, 20, 0xFF0000, 10, true));
    EXPECT_TRUE(shows(110, 110, 167, 20, 0x0000FF, 0, false));

    f.hide();
    EXPECT_TRUE(shows(100, 100, 300, 120, 0xE0E0E0, 99, false));
    XCloseDisplay(dpy);

    // A modal show returns when a click hides the form.
    Fl::add_timeout(
        0.2, [](void* data) { static_cast<Control*>(data)->click(); }, f.fechar);
    f.show_modal();
    EXPECT_FALSE(f.visible());
    EXPECT_EQ(f.paints, 2);
}
