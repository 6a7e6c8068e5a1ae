// The common dialog control: Open and Save As dialogs configured through plain properties.
// Every setting is recorded like any control's property change, and the full settings are
// recorded again when a dialog is shown, so a host sees exactly which title and filter the
// user was offered. The answer comes from the backend (a queued answer when headless).
#pragma once

#include "platform/ui/Control.h"

#include <string>

namespace kvr::ui {

// Flags of the legacy control that matter here.
enum CommonDialogFlags {
    cdlOFNReadOnly = 1,
    cdlOFNOverwritePrompt = 2, // Save: the dialog asks before an existing file is chosen
    cdlOFNHideReadOnly = 4,
};

class CommonDialog : public Control {
  public:
    CommonDialog(Form* form, std::string name, Control* container = nullptr);

    void set_dialog_title(const std::string& title);
    const std::string& filter() const { return m_filter; }
    void set_filter(const std::string& filter);
    int filter_index() const { return m_filter_index; }
    void set_filter_index(int index);
    const std::string& file_name() const { return m_file_name; }
    void set_file_name(const std::string& name);
    bool cancel_error() const { return m_cancel_error; }
    void set_cancel_error(bool raise);
    int flags() const { return m_flags; }
    void set_flags(int flags);

    // ShowOpen / ShowSave: FileName becomes the chosen path. A cancelled dialog raises
    // ComError 32755 ("Cancel was selected.") when CancelError is set, else leaves FileName
    // "". A dialog nobody can answer raises the backend's error.
    void show_open();
    void show_save();

  private:
    void show(bool save);

    std::string m_dialog_title;
    std::string m_filter;
    int m_filter_index = 0;
    std::string m_file_name;
    bool m_cancel_error = false;
    int m_flags = 0;
};

} // namespace kvr::ui
