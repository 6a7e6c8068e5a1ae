// kvrupload: the command-line host of the library. A person or a script moves one file over
// HTTP, HTTPS or FTP; the result array comes out as JSON on stdout.
#include "hosts/cli/CliSupport.h"
#include "hosts/cli/Commands.h"
#include "hosts/cli/GuiHandOver.h"
#include "hosts/cli/TerminalBackend.h"
#include "platform/automation/ComError.h"
#include "platform/sys/Cancel.h"
#include "platform/sys/Version.h"
#include "platform/ui/Backend.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
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

Run 'kvrupload help COMMAND' (or 'kvrupload COMMAND --help') for the options of a command,
'kvrupload --version' for the version. An option's value may follow it (--user ana) or be
joined to it (--user=ana); after "--" nothing more is an option.

With an X display the progress window and the file dialogs are real windows; without one,
progress is drawn as a line on stderr and dialogs ask for a path on the terminal.

Passwords need not be on the command line: --password-file FILE, the variable
KVRUPLOAD_PASSWORD, ~/.netrc, or a prompt when only --user is given on a terminal.

Ctrl-C ends the transfer: the progress line is ended, a partial download removed, exit 130.

)";

const char* const kExamples = R"(
Examples:
  kvrupload download http://127.0.0.1:8080/report.pdf /tmp/report.pdf --progress SIM
  kvrupload upload http://127.0.0.1:8080/upload/ /tmp/report.pdf
  kvrupload ftp 127.0.0.1:2121 --user ana --password s3cret list
)";

const char* const kHint = "Try 'kvrupload --help'.";

// Real windows when a display answers; otherwise the terminal takes the user's part, and a
// display that was named but could not be used is said once on stderr.
void choose_backend(char** argv) {
    std::string why;
    if (auto gui = kvr::cli::gui_backend(argv, why)) {
        kvr::ui::set_backend(std::move(gui));
        return;
    }
    if (!why.empty())
        std::cerr << "kvrupload: " << why << "; using the terminal.\n";
    kvr::ui::set_backend(std::make_unique<kvr::cli::TerminalBackend>(std::cerr, std::cin));
}

// Ends the process once the command's output is out. Everything the command owns is finished
// by then, so the libraries' exit-time cleanup (the TLS library's alone costs about as much as
// all of the command's own work) is skipped; a sanitizer build keeps it, for the leak check.
[[noreturn]] void finish(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
#ifndef __SANITIZE_ADDRESS__
    std::_Exit(status);
#endif
    std::exit(status);
}

int run_command(int argc, char** argv) {
    kvr::cli::open_missing_standard_streams();
    kvr::cli::prepare_command();
    std::setlocale(LC_ALL, "");
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return kvr::cli::usage_error("missing command", kHint);
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "-V" || command == "--version") {
        std::cout << "kvrupload " << KVRUPLOAD_VERSION << std::endl;
        return kvr::cli::kExitSuccess;
    }
    bool help = command == "-h" || command == "--help";
    std::string subject = command;
    if (command == "help") {
        if (args.empty())
            help = true;
        else if (args.size() > 1)
            return kvr::cli::usage_error("help takes one command", kHint);
        else if (args.front() == "help" || args.front() == "--help" || args.front() == "-h")
            help = true;
        else {
            subject = args.front();
            args = {"--help"};
        }
    }
    if (help) {
        std::cout << kHelp << kvr::cli::kExitStatusHelp << kExamples;
        return kvr::cli::kExitSuccess;
    }
    int (*run)(const std::vector<std::string>&) = nullptr;
    if (subject == "download")
        run = kvr::cli::run_download;
    else if (subject == "upload")
        run = kvr::cli::run_upload;
    else if (subject == "ftp")
        run = kvr::cli::run_ftp;
    else if (subject == "ftp-window")
        run = kvr::cli::run_ftp_window;
    else
        return kvr::cli::usage_error("unknown command '" + subject + "'", kHint);

    choose_backend(argv);
    kvr::cli::install_interrupt_handler();
    const kvr::sys::CancelScope cancel([] { return kvr::cli::interrupted(); });
    try {
        return run(args);
    } catch (const kvr::ComError& e) {
        kvr::cli::print_refused(e);
        return kvr::cli::kExitFailure;
    }
}

} // namespace

int main(int argc, char** argv) {
    finish(run_command(argc, argv));
}
