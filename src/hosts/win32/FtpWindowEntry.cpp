// The FTP client window for a Windows user, through the system's own launcher:
//     rundll32 KVRUpload.dll,FtpWindow [HOST] [USER]
// HOST (HOST:PORT, or [IPv6]:PORT) and USER fill the server and user boxes. Returns when the
// window is closed.
#include "ftp/frmKVRFtp.h"
#include "platform/automation/ComError.h"
#include "platform/sys/WideText.h"
#include "platform/ui/Backend.h"
#include "platform/ui/DefaultInstance.h"

#include <windows.h>

#include <objbase.h>

#include <sstream>
#include <string>
#include <vector>

extern "C" void CALLBACK FtpWindowW(HWND, HINSTANCE, LPWSTR command_line, int) {
    // The common dialogs want a single-threaded apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<std::string> args;
    std::istringstream words(kvr::sys::narrow(command_line ? command_line : L""));
    for (std::string w; words >> w;)
        args.push_back(w);
    using Janela = kvr::ui::DefaultInstance<kvr::frmKVRFtp>;
    try {
        auto& janela = Janela::get();
        if (!args.empty())
            janela.txtServer.set_text(args[0]);
        if (args.size() > 1)
            janela.txtUser.set_text(args[1]);
        janela.Show();
    } catch (const kvr::ComError& e) {
        kvr::ui::MsgBox(e.description());
    }
    Janela::unload();
    if (SUCCEEDED(com))
        CoUninitialize();
}
