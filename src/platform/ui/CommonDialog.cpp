#include "platform/ui/CommonDialog.h"

#include "platform/automation/ComError.h"
#include "platform/ui/Backend.h"

namespace kvr::ui {

CommonDialog::CommonDialog(Form* form, std::string name, Control* container)
    : Control(form, std::move(name), ControlKind::CommonDialog, container) {}

void CommonDialog::set_dialog_title(const std::string& title) {
    if (title == m_dialog_title)
        return;
    m_dialog_title = title;
    changed("DialogTitle", Variant(title));
}

void CommonDialog::set_filter(const std::string& filter) {
    if (filter == m_filter)
        return;
    m_filter = filter;
    changed("Filter", Variant(filter));
}

void CommonDialog::set_filter_index(int index) {
    if (index == m_filter_index)
        return;
    m_filter_index = index;
    changed("FilterIndex", Variant(static_cast<std::int32_t>(index)));
}

void CommonDialog::set_file_name(const std::string& name) {
    if (name == m_file_name)
        return;
    m_file_name = name;
    changed("FileName", Variant(name));
}

void CommonDialog::set_cancel_error(bool raise) {
    if (raise == m_cancel_error)
        return;
    m_cancel_error = raise;
    changed("CancelError", Variant(raise));
}

void CommonDialog::set_flags(int flags) {
    if (flags == m_flags)
        return;
    m_flags = flags;
    changed("Flags", Variant(static_cast<std::int32_t>(flags)));
}

void CommonDialog::show_open() {
    show(false);
}
void CommonDialog::show_save() {
    show(true);
}

void CommonDialog::show(bool save) {
    // The settings the user is shown, recorded whole even when unchanged since the last show.
    changed("DialogTitle", Variant(m_dialog_title));
    changed("Filter", Variant(m_filter));
    changed("FilterIndex", Variant(static_cast<std::int32_t>(m_filter_index)));
    changed("FileName", Variant(m_file_name));
    changed("CancelError", Variant(m_cancel_error));
    changed("Flags", Variant(static_cast<std::int32_t>(m_flags)));
    changed(save ? "ShowSave" : "ShowOpen", Variant(true));

    FileDialogRequest request;
    request.save = save;
    request.title = m_dialog_title;
    request.filter = m_filter;
    request.filter_index = m_filter_index;
    request.file_name = m_file_name;
    request.flags = m_flags;
    std::optional<std::string> answer = backend().file_dialog(request);
    if (answer) {
        set_file_name(*answer);
        return;
    }
    if (m_cancel_error)
        raise_runtime(rt::CancelError, "CommonDialog");
    set_file_name("");
}

} // namespace kvr::ui
