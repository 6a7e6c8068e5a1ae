#include "platform/ui/HeadlessBackend.h"
#include "platform/automation/ComError.h"
#include "platform/sys/Cancel.h"
#include "platform/ui/Form.h"

#include "support/HeadlessTest.h"
#include "support/RaisedNumber.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kvr::ui;

namespace {

struct frmTeste : Form {
    frmTeste() : Form("frmTeste") {
        button->on_click = [this] { clicked = true, hide(); };
    }
    bool clicked = false;
    Control* frame = &add("Frame1", ControlKind::Frame);
    Control* button = &add("cmdOk", ControlKind::CommandButton, frame);
};

using HeadlessBackendTest = kvr::test::HeadlessTest;

} // namespace

TEST_F(HeadlessBackendTest, AModalWaitNobodyCanEndRaisesInsteadOfHanging) {
    frmTeste f;
    EXPECT_THROW(f.show_modal(), kvr::ComError);
    EXPECT_FALSE(f.visible());
}

TEST_F(HeadlessBackendTest, AClickWaitsInTheQueueUntilItsTargetCanBeReached) {
    frmTeste f;
    f.frame->set_visible(false);
    f.show();
    ui().queue({UserAction::Click, "frmTeste.cmdOk", {}});
    DoEvents();
    EXPECT_FALSE(f.clicked);
    EXPECT_EQ(ui().queued(), 1u);
    f.frame->set_visible(true);
    DoEvents();
    EXPECT_TRUE(f.clicked);
    EXPECT_EQ(ui().queued(), 0u);
}

// A value set again unchanged is not recorded twice; the record keeps the newest events.
TEST_F(HeadlessBackendTest, TheRecordKeepsTheNewestChangesWithinItsBound) {
    frmTeste f;
    const int n = static_cast<int>(HeadlessBackend::kMaxEvents) + 10;
    for (int i = 1; i <= n; ++i)
        f.button->set_left(i);
    f.button->set_left(n);
    auto events = ui().events();
    EXPECT_EQ(events.size(), HeadlessBackend::kMaxEvents);
    EXPECT_EQ(ui().dropped_events(), 10u);
    EXPECT_EQ(events.back().value.to_long(), n);
}

// A wait for the user with nobody there: the one button a user could press is pressed; with
// none, or with a choice of two, the wait raises; a host's request to stop ends it quietly.
TEST_F(HeadlessBackendTest, AWaitNobodyAnswersPressesTheOnlyButtonOrRaises) {
    const int raises = kvr::rt::Unexpected;
    // buttons, a stop asked, the number raised, the button clicked
    const std::tuple<int, bool, int, bool> casos[] = {{1, false, 0, true},
                                                      {0, false, raises, false},
                                                      {2, false, raises, false},
                                                      {2, true, 0, false}};
    for (const auto& [buttons, stop, raised, clicked] : casos) {
        SCOPED_TRACE(buttons);
        frmTeste f;
        f.button->set_visible(buttons > 0);
        if (buttons > 1)
            f.add("cmdOutro", ControlKind::CommandButton);
        f.show();
        kvr::sys::CancelScope scope([stop] { return stop; });
        EXPECT_EQ(
            kvr::test::raised_number([&] { backend().wait_until([&f] { return f.clicked; }); }),
            raised);
        EXPECT_EQ(f.clicked, clicked);
    }
}
