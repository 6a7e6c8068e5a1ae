// kvrupload: the command-line host of the library. A person or a script moves one file over
// HTTP, HTTPS or FTP; the result array comes out as JSON on stdout.
#include "hosts/cli/CliSupport.h"
#include "hosts/cli/Commands.h"
#include "hosts/cli/TerminalBackend.h"
#include "platform/automation/ComError.h"
#include "platform/ui/Backend.h"
#include "platform/ui/fltk/FltkBackend.h"

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const kHelp = R"(Usage: kvrupload COMMAND [ARGS...]

Moves one file between this machine and a web or FTP server, and prints the result array as
JSON on stdout (["1", ...] on success, ["0", message] on failure).

Commands:
  download URL [LOCAL]     fetch a file with HTTP/HTTPS GET
  upload URL [LOCAL]       send a file (or, with --stream, a text) with HTTP/HTTPS PUT
  ftp HOST ... OP          one FTP operation: list, get, put, rename, delete
  ftp-window [HOST]        the FTP client window (needs an X display)

Run 'kvrupload COMMAND --help' for the options of a command.

With an X display the progress window and the file dialogs are real windows; without one,
progress is drawn as a line on stderr and dialogs ask for a path on the terminal.

Exit status: 0 success, 1 failure (result "0"), 2 usage error, 3 a value was refused.

Examples:
  kvrupload download http://127.0.0.1:8080/report.pdf /tmp/report.pdf --progress SIM
  kvrupload upload http://127.0.0.1:8080/upload/ /tmp/report.pdf
  kvrupload ftp 127.0.0.1:2121 --user ana --password s3cret list
)";

const char* const kHint = "Try 'kvrupload --help'.";

// Real windows when a display answers; otherwise the terminal takes the user's part.
void choose_backend() {
    if (kvr::ui::display_available())
        kvr::ui::set_backend(kvr::ui::make_fltk_backend());
    else
        kvr::ui::set_backend(std::make_unique<kvr::cli::TerminalBackend>(std::cerr, std::cin));
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return kvr::cli::usage_error("missing command", kHint);
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "-h" || command == "--help" || command == "help") {
        std::cout << kHelp;
        return kvr::cli::kExitSuccess;
    }
    int (*run)(const std::vector<std::string>&) = nullptr;
    if (command == "download")
        run = kvr::cli::run_download;
    else if (command == "upload")
        run = kvr::cli::run_upload;
    else if (command == "ftp")
        run = kvr::cli::run_ftp;
    else if (command == "ftp-window")
        run = kvr::cli::run_ftp_window;
    else
        return kvr::cli::usage_error("unknown command '" + command + "'", kHint);

    choose_backend();
    try {
        return run(args);
    } catch (const kvr::ComError& e) {
        kvr::cli::print_refused(e);
        return kvr::cli::kExitFailure;
    }
}
