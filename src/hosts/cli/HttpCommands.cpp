// kvrupload download / upload: one HTTP or HTTPS transfer through the control, driven
// late-bound as any host drives it. Every option is put through the control's property of
// the same meaning, so a value the control refuses is reported with the control's own error.
#include "hosts/cli/Arguments.h"
#include "hosts/cli/CliSupport.h"
#include "hosts/cli/Commands.h"
#include "hosts/cli/Secrets.h"
#include "hosts/cli/TerminalBackend.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/Object.h"
#include "platform/ui/Backend.h"

#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>
#include <utility>
#include <vector>

namespace kvr::cli {

namespace {

// The options both transfers share: the control's properties, and the exit status.
const std::string kSharedHelp =
    R"(  --progress SIM|NAO  show the progress window (without a display: one refreshed line on
                      stderr, drawn only when stderr is a terminal)
  --close SIM|NAO     close the progress window by itself at the end (default SIM when
                      the progress is drawn on the terminal; always SIM when stdin is not
                      a terminal, so a script is never left waiting)
  --user USER         user name for the server
  --password PASS     password for the server (visible to other users: prefer the ways
                      below)
  --password-file F   read the password from the first line of the file F
  --protocol NAME     HTTP or HTTPS, for a URL without a scheme
  --remote-host HOST  stored by the control; the server is always the URL's
  --port PORT         port for a URL that names none (default 80); 1 to 65535
  --proxy ADDRESS     proxy server (host:port); otherwise the environment's settings
  -h, --help          this text

Without --password or --password-file the password comes from the variable
KVRUPLOAD_PASSWORD, else from ~/.netrc (the entry for the URL's host, or "default"; it may
give the user too), else, when --user is given and stdin is a terminal, from a prompt that
does not echo.

)";

const std::string kDownloadHelp =
    std::string(R"(Usage: kvrupload download URL [LOCAL] [--dialog OPT] [property options]

Fetches URL with one GET request and writes it to the local file LOCAL, then prints the
result array as JSON on stdout: ["1", path, size] or ["0", message]. Without LOCAL (and
without --dialog) the file is saved in the current folder under the last segment of the
URL's path; a URL whose path ends in "/" names no file and is refused.

LOCAL may be an ordinary path, a path starting with a web-path token such as
"$(webpath[site])/dir/file" or "$(webpath)/dir/", or an address on the local web server
("http://localhost/app/file"); these are resolved through the web-directory components.
An existing file is replaced only once the whole body has arrived; a LOCAL that is no
regular file, such as /dev/stdout in a pipe, is written as the bytes arrive.

Options:
  --dialog OPT        ask for the local file in a Save dialog whose filter follows the
                      extension key OPT (e.g. gif); "NAO" (the default) asks nothing.
                      Without a display the path is asked for on the terminal; an empty
                      answer cancels, and an existing file is replaced only after "s".
)") +
    kSharedHelp + kExitStatusHelp +
    R"(
Examples:
  kvrupload download http://127.0.0.1:8080/files/report.pdf
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
    kSharedHelp + kExitStatusHelp +
    R"(
Examples:
  kvrupload upload http://127.0.0.1:8080/upload/ notes.txt
  kvrupload upload http://127.0.0.1:8080/upload/copy.bin data.bin --progress SIM
  kvrupload upload http://127.0.0.1:8080/upload/hello.txt --stream "Olá, mundo"
  KVRUPLOAD_PASSWORD=s3cret kvrupload upload http://127.0.0.1:8080/upload/ --dialog jpg --user ana
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
    std::optional<std::string> local, dialog, stream, password_file;
    std::vector<std::pair<std::string, std::string>> properties; // property, value (in order)
    bool close_given = false;
};

std::optional<std::string> property_of(const std::string& option) {
    for (const auto& [opt, property] : kPropertyOptions)
        if (opt == option)
            return property;
    return std::nullopt;
}

// The value given to the control for a port: the control keeps a 16-bit Integer, so a
// port above 32767 is passed as the same 16 bits (the transfer reads them back unsigned).
std::optional<std::string> port_value(const std::string& text) {
    if (!valid_port(text))
        return std::nullopt;
    const long port = std::stol(text);
    return std::to_string(port > 32767 ? port - 65536 : port);
}

// The last segment of a URL's path, as a download without LOCAL saves it ("" for none).
std::string file_name_of(const std::string& url) {
    std::string rest = url;
    if (auto scheme = rest.find("://"); scheme != std::string::npos)
        rest = rest.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("?#"));
    const auto slash = rest.find('/');
    if (slash == std::string::npos)
        return {};
    return rest.substr(rest.rfind('/') + 1);
}

// Parses the arguments; returns an error message for a usage error.
std::optional<std::string> parse(const std::vector<std::string>& args, bool upload, HttpArgs& out) {
    Arguments split;
    const auto kind = [upload](const std::string& name) {
        const bool known = property_of(name) || name == "--dialog" || name == "--password-file" ||
                           (upload && name == "--stream");
        return known ? OptionKind::Value : OptionKind::Unknown;
    };
    if (auto problem = split_arguments(args, kind, split))
        return problem;
    out.help = split.help;
    if (out.help)
        return std::nullopt;
    for (auto& [name, value] : split.options) {
        if (name == "--port") {
            auto port = port_value(value);
            if (!port)
                return "--port must be a whole number from 1 to 65535 (a 16-bit port number), "
                       "not '" +
                       value + "'";
            value = *port;
        }
        if (auto property = property_of(name)) {
            out.properties.emplace_back(*property, value);
            out.close_given = out.close_given || name == "--close";
        } else if (name == "--dialog") {
            out.dialog = value;
        } else if (name == "--password-file") {
            out.password_file = value;
        } else {
            out.stream = value;
        }
    }
    const std::vector<std::string>& positional = split.operands;
    if (positional.empty())
        return "missing URL";
    if (positional.size() > 2)
        return "unexpected argument '" + positional[2] + "'";
    out.url = positional[0];
    if (positional.size() == 2)
        out.local = positional[1];
    if (out.stream && (out.local || out.dialog))
        return "--stream sends a text: give neither LOCAL nor --dialog with it";
    if (!upload && !out.local && !out.dialog) {
        const std::string name = file_name_of(out.url);
        if (name.empty() || name == "." || name == "..")
            return "the URL names no file to save as: give LOCAL (or --dialog)";
        // The library reads a backslash as a folder separator and "$(webpath" as a web-path
        // token: a name the URL chose could then land outside the current folder.
        std::string lower = name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name.find('\\') != std::string::npos || lower.find("$(webpath") != std::string::npos)
            return "the URL's file name '" + name +
                   "' is not a plain name: give LOCAL (or --dialog)";
        std::error_code ec;
        out.local = (std::filesystem::current_path(ec) / name).string();
    }
    return std::nullopt;
}

// The user and password the control is given: from the options, else from the other
// sources of a password. An error message when the password file cannot be read.
std::optional<std::string> add_credentials(HttpArgs& a) {
    Credentials c;
    for (const auto& [property, value] : a.properties) {
        if (property == "UserName")
            c.user = value;
        else if (property == "Password")
            c.password = value;
    }
    const bool had_user = c.user.has_value(), had_password = c.password.has_value();
    if (auto problem = complete_credentials(c, a.password_file, host_of(a.url)))
        return problem;
    if (!had_user && c.user)
        a.properties.emplace_back("UserName", *c.user);
    if (!had_password && c.password && c.user)
        a.properties.emplace_back("Password", *c.password);
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

    if (auto problem = add_credentials(a))
        return print_failure(*problem, interrupted() ? kExitCancelled : kExitLocalFile);

    std::shared_ptr<Object> ctl = CreateObject("KVRUpload.ctlKVRUpload");
    for (const auto& [property, value] : a.properties) {
        try {
            ctl->put(property, Variant(value));
        } catch (const ComError& e) {
            return print_refused(e);
        }
    }

    // Without a display the progress is drawn on the terminal, and the window then closes
    // by itself unless told otherwise. With nobody at the terminal it always closes by
    // itself: a script is never left waiting for a click.
    const bool progress = ctl->get("ExibirProgresso").to_string() == "SIM";
    if (auto* terminal = dynamic_cast<TerminalBackend*>(&ui::backend())) {
        terminal->set_show_progress(progress && stderr_is_terminal());
        if (progress && !a.close_given)
            ctl->put("FecharProgresso", Variant("SIM"));
    }
    if (progress && !stdin_is_terminal())
        ctl->put("FecharProgresso", Variant("SIM"));

    VariantArray call_args{Variant(a.url)};
    if (a.stream) {
        call_args.push_back(Variant(*a.stream));
        call_args.push_back(Variant("STREAM"));
    } else {
        call_args.push_back(a.local ? Variant(*a.local) : Variant::missing());
        call_args.push_back(a.dialog ? Variant(*a.dialog) : Variant::missing());
    }
    try {
        Variant result = ctl->call(upload ? "UpLoad" : "Download", std::move(call_args));
        return print_result(result, last_failure_class());
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
