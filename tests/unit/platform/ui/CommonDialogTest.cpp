#include "platform/ui/CommonDialog.h"
#include "platform/automation/ComError.h"
#include "platform/ui/Form.h"
#include "platform/ui/HeadlessBackend.h"

#include <gtest/gtest.h>

#include <optional>

using kvr::Variant;
using kvr::ui::CommonDialog;
using kvr::ui::HeadlessBackend;
using kvr::ui::UserAction;

TEST(CommonDialog, AnswersCancelsAndTheRequestGivenToTheBackend) {
    kvr::ui::set_backend(std::make_unique<HeadlessBackend>());
    HeadlessBackend& ui = *kvr::ui::headless();
    kvr::ui::Form form("frmTeste");
    CommonDialog& dlg = form.add_control<CommonDialog>("dlg");
    dlg.set_dialog_title("Título");
    dlg.set_filter("Texto (*.txt)|*.txt|");
    dlg.set_file_name("inicial.txt");

    struct Row {
        bool save;
        bool cancel_error;
        std::optional<std::string> answer;
        std::string file_name;
        std::int32_t error;
    };
    const Row rows[] = {
        {false, true, std::string("/tmp/a.txt"), "/tmp/a.txt", 0},
        {true, true, std::string("/tmp/b.txt"), "/tmp/b.txt", 0},
        {false, true, std::nullopt, "/tmp/b.txt", kvr::rt::CancelError},
        {true, false, std::nullopt, "", 0},
    };
    for (const Row& r : rows) {
        dlg.set_cancel_error(r.cancel_error);
        ui.queue({UserAction::Dialog, "", r.answer});
        std::int32_t error = 0;
        try {
            r.save ? dlg.show_save() : dlg.show_open();
        } catch (const kvr::ComError& e) {
            error = e.number();
            EXPECT_EQ(e.description(), "Cancel was selected.");
        }
        EXPECT_EQ(error, r.error);
        EXPECT_EQ(dlg.file_name(), r.file_name);
        EXPECT_EQ(ui.queued(), 0u);
    }

    // Nobody to answer: a clear error, not a cancel and not a hang.
    dlg.set_cancel_error(false);
    dlg.set_file_name("x");
    try {
        dlg.show_open();
        ADD_FAILURE() << "an unanswerable dialog returned";
    } catch (const kvr::ComError& e) {
        EXPECT_NE(e.number(), kvr::rt::CancelError);
        EXPECT_NE(e.description().find("Open dialog"), std::string::npos) << e.description();
    }
    EXPECT_EQ(dlg.file_name(), "x");
}
