#include "platform/ui/Win32FileDialog.h"

#include "platform/automation/ComError.h"
#include "platform/sys/LocalPath.h"
#include "platform/sys/WideText.h"

#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kvr::ui {

std::wstring win32_filter(const std::string& filter) {
    std::vector<std::wstring> parts;
    const std::wstring text = sys::widen(filter);
    if (text.find(L'|') == std::wstring::npos) {
        if (!text.empty())
            parts = {text, text};
    } else {
        for (std::size_t pos = 0;;) {
            const std::size_t bar = text.find(L'|', pos);
            parts.push_back(text.substr(pos, bar == std::wstring::npos ? bar : bar - pos));
            if (bar == std::wstring::npos)
                break;
            pos = bar + 1;
        }
    }
    // A description without its pattern (the table's texts end in a bar) is dropped.
    std::wstring out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        out += parts[i] + L'\0' + parts[i + 1] + L'\0';
    return out + L'\0';
}

std::optional<std::string> win32_file_dialog(const FileDialogRequest& request, void* owner) {
    const std::wstring title = sys::widen(request.title);
    const std::wstring filter = win32_filter(request.filter);
    // The dialog starts in the current folder, as it does on the other platforms.
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring preset = sys::widen(request.file_name);
    preset.copy(file.data(), std::min(preset.size(), file.size() - 1));

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = static_cast<HWND>(owner);
    ofn.lpstrFilter = filter.size() > 1 ? filter.data() : nullptr;
    ofn.nFilterIndex = static_cast<DWORD>(request.filter_index > 0 ? request.filter_index : 1);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.c_str();
    // The legacy flags are the dialog's own (read-only 1, overwrite prompt 2, hide read-only
    // 4); the host's current folder stays where it was.
    ofn.Flags = static_cast<DWORD>(request.flags) | OFN_EXPLORER | OFN_NOCHANGEDIR;
    const BOOL chosen = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (chosen)
        return sys::native_local_path(sys::narrow(file.data(), wcslen(file.data())));
    if (const DWORD code = CommDlgExtendedError(); code != 0)
        throw ComError(rt::Unexpected, "KVRUpload.ui",
                       "the file dialog failed (common dialog error " + std::to_string(code) + ")");
    return std::nullopt;
}

} // namespace kvr::ui
