// kvrupload download / upload: one HTTP or HTTPS transfer through the control, driven
// late-bound as any host drives it. Every option is put through the control's property of
// the same meaning, so a value the control refuses is reported with the control's own error.
#include "hosts/cli/CliSupport.h"
#include "hosts/cli/Commands.h"
#include "hosts/cli/TerminalBackend.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/Object.h"
#include "platform/ui/Backend.h"

#include <iostream>
#include <optional>
#include <utility>
#include <vector>

namespace kvr::cli {

namespace {

// The options both transfers share: the control's properties, and the exit status.
const std::string kSharedHelp =
    R"(  --progress SIM|NAO  show the progress window (without a display: one refreshed line on
                      stderr)
  --close SIM|NAO     close the progress window by itself at the end (default SIM when
                      the progress is drawn on the terminal)
  --user USER         user name for the server
  --password PASS     password for the server
  --protocol NAME     HTTP or HTTPS, for a URL without a scheme
  --remote-host HOST  stored by the control; the server is always the URL's
  --port PORT         port for a URL that names none (default 80)
  --proxy ADDRESS     proxy server (host:port); otherwise the environment's settings
  -h, --help          this text

Exit status: 0 when the result's first element is "1", 1 when it is "0", 2 for a usage
error, 3 when the control refused an option's value (its error on stderr).
)";

const std::string kDownloadHelp =
    std::string(R"(Usage: kvrupload download URL [LOCAL] [--dialog OPT] [property options]

Fetches URL with one GET request and writes it to the local file LOCAL, then prints the
result array as JSON on stdout: ["1", path, size] or ["0", message].

LOCAL may be an ordinary path, a path starting with a web-path token such as
"$(webpath[site])/dir/file" or "$(webpath)/dir/", or an address on the local web server
("http://localhost/app/file"); these are resolved through the web-directory components.

Options:
  --dialog OPT        ask for the local file in a Save dialog whose filter follows the
                      extension key OPT (e.g. gif); "NAO" (the default) asks nothing.
                      Without a display the path is asked for on the terminal; an empty
                      answer cancels.
)") +
    kSharedHelp +
    R"(
Examples:
  kvrupload download http://127.0.0.1:8080/files/report.pdf /tmp/report.pdf
  kvrupload download http://127.0.0.1:8080/big.iso big.iso --progress SIM
  kvrupload download http://127.0.0.1:8080/photo.gif --dialog gif
  kvrupload download 127.0.0.1/a.txt a.txt --protocol HTTPS --port 8443
)";

const std::string kUploadHelp =
    std::string(R"(Usage: kvrupload upload URL [LOCAL] [--dialog OPT] [property options]
       kvrupload upload URL --stream TEXT [property options]

Sends the local file LOCAL (or the text TEXT) to URL with one PUT request, then prints the
result array as JSON on stdout: ["1", path or "Stream", size] or ["0", message]. When URL
names a folder (its last segment has no "."), the local file's name is appended to it.
A file with one of the forbidden extensions is refused.

LOCAL may carry a web-path token or a local-server address, as for download.

Options:
  --stream TEXT       send TEXT itself instead of a file
  --dialog OPT        ask for the file in an Open dialog whose filter follows the extension
                      key OPT; "NAO" (the default) asks nothing. Without a display the path is
                      asked for on the terminal; an empty answer cancels.
)") +
    kSharedHelp +
    R"(
Examples:
  kvrupload upload http://127.0.0.1:8080/upload/ notes.txt
  kvrupload upload http://127.0.0.1:8080/upload/copy.bin data.bin --progress SIM
  kvrupload upload http://127.0.0.1:8080/upload/hello.txt --stream "Olá, mundo"
  kvrupload upload http://127.0.0.1:8080/upload/ --dialog jpg --user ana --password s3cret
)";

// Property options, in the control's words.
const std::vector<std::pair<std::string, std::string>> kPropertyOptions{
    {"--progress", "ExibirProgresso"},
    {"--close", "FecharProgresso"},
    {"--user", "UserName"},
    {"--password", "Password"},
    {"--protocol", "Protocol"},
    {"--remote-host", "RemoteHost"},
    {"--port", "RemotePort"},
    {"--proxy", "ProxyAddress"},
};

struct HttpArgs {
    bool help = false;
    std::string url;
    std::optional<std::string> local, dialog, stream;
    std::vector<std::pair<std::string, std::string>> properties; // property, value (in order)
    bool close_given = false;
};

std::optional<std::string> property_of(const std::string& option) {
    for (const auto& [opt, property] : kPropertyOptions)
        if (opt == option)
            return property;
    return std::nullopt;
}

// Parses the arguments; returns an error message for a usage error.
std::optional<std::string> parse(const std::vector<std::string>& args, bool upload, HttpArgs& out) {
    std::vector<std::string> positional;
    bool options_end = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (options_end || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_end = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            out.help = true;
            return std::nullopt;
        }
        std::optional<std::string> inline_value;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inline_value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        auto property = property_of(arg);
        const bool known = property || arg == "--dialog" || (upload && arg == "--stream");
        if (!known)
            return "unknown option '" + arg + "'";
        std::string value;
        if (inline_value) {
            value = *inline_value;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return "option '" + arg + "' needs a value";
        }
        if (property) {
            out.properties.emplace_back(*property, value);
            out.close_given = out.close_given || arg == "--close";
        } else if (arg == "--dialog") {
            out.dialog = value;
        } else {
            out.stream = value;
        }
    }
    if (positional.empty())
        return "missing URL";
    if (positional.size() > 2)
        return "unexpected argument '" + positional[2] + "'";
    out.url = positional[0];
    if (positional.size() == 2)
        out.local = positional[1];
    if (out.stream && (out.local || out.dialog))
        return "--stream sends a text: give neither LOCAL nor --dialog with it";
    return std::nullopt;
}

int run_http(const std::vector<std::string>& args, bool upload) {
    const std::string& help = upload ? kUploadHelp : kDownloadHelp;
    const std::string hint =
        std::string("Try 'kvrupload ") + (upload ? "upload" : "download") + " --help'.";
    HttpArgs a;
    if (auto problem = parse(args, upload, a))
        return usage_error(*problem, hint);
    if (a.help) {
        std::cout << help;
        return kExitSuccess;
    }

    std::shared_ptr<Object> ctl = CreateObject("KVRUpload.ctlKVRUpload");
    for (const auto& [property, value] : a.properties) {
        try {
            ctl->put(property, Variant(value));
        } catch (const ComError& e) {
            return print_refused(e);
        }
    }

    // Without a display the progress is drawn on the terminal, and the window then closes
    // by itself unless told otherwise.
    if (auto* terminal = dynamic_cast<TerminalBackend*>(&ui::backend())) {
        const bool progress = ctl->get("ExibirProgresso").to_string() == "SIM";
        terminal->set_show_progress(progress);
        if (progress && !a.close_given)
            ctl->put("FecharProgresso", Variant("SIM"));
    }

    VariantArray call_args{Variant(a.url)};
    if (a.stream) {
        call_args.push_back(Variant(*a.stream));
        call_args.push_back(Variant("STREAM"));
    } else {
        call_args.push_back(a.local ? Variant(*a.local) : Variant::missing());
        call_args.push_back(a.dialog ? Variant(*a.dialog) : Variant::missing());
    }
    try {
        return print_result(ctl->call(upload ? "UpLoad" : "Download", std::move(call_args)));
    } catch (const ComError& e) {
        print_refused(e);
        return kExitFailure;
    }
}

} // namespace

int run_download(const std::vector<std::string>& args) {
    return run_http(args, false);
}
int run_upload(const std::vector<std::string>& args) {
    return run_http(args, true);
}

} // namespace kvr::cli
