// kvrupload ftp-window: opens the library's FTP client window on the display, with the server
// and user boxes filled from the command line, and returns when the window is closed.
#include "ftp/frmKVRFtp.h"
#include "hosts/cli/Arguments.h"
#include "hosts/cli/CliSupport.h"
#include "hosts/cli/Commands.h"
#include "hosts/cli/TerminalBackend.h"
#include "platform/ui/DefaultInstance.h"

#include <iostream>
#include <optional>

namespace kvr::cli {

namespace {

const char* const kWindowHelp = R"(Usage: kvrupload ftp-window [HOST] [--user U]

Opens the FTP client window on the X display: type a server, a user and a password, connect,
and click a name to fetch that file (Save dialog) and send a file back (Open dialog).
HOST (HOST:PORT, or [IPv6]:PORT) and U fill the server and user boxes.

Exit status: 0 when the window was closed, 2 for a usage error or when no display answers.
)";

const char* const kHint = "Try 'kvrupload ftp-window --help'.";

} // namespace

int run_ftp_window(const std::vector<std::string>& args) {
    Arguments split;
    const auto kind = [](const std::string& name) {
        return name == "--user" ? OptionKind::Value : OptionKind::Unknown;
    };
    if (auto problem = split_arguments(args, kind, split))
        return usage_error(*problem, kHint);
    if (split.help) {
        std::cout << kWindowHelp;
        return kExitSuccess;
    }
    if (split.operands.size() > 1)
        return usage_error("more than one HOST", kHint);
    std::optional<std::string> host, user;
    if (!split.operands.empty())
        host = split.operands.front();
    if (auto problem = host ? host_port_problem(*host) : std::nullopt)
        return usage_error(*problem, kHint);
    if (!split.options.empty())
        user = split.options.back().value;
    // Without real windows (no display, or no window module) the terminal took the user's part.
    if (dynamic_cast<TerminalBackend*>(&ui::backend()))
        return usage_error("the FTP window needs an X display, and none answers (is DISPLAY set?)",
                           kHint);
    try {
        auto& janela = ui::DefaultInstance<frmKVRFtp>::get();
        if (host)
            janela.txtServer.set_text(*host);
        if (user)
            janela.txtUser.set_text(*user);
        janela.Show();
        ui::DefaultInstance<frmKVRFtp>::unload();
    } catch (const ComError& e) {
        ui::DefaultInstance<frmKVRFtp>::unload();
        return print_refused(e);
    }
    return kExitSuccess;
}

} // namespace kvr::cli
