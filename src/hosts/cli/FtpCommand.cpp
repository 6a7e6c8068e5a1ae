// kvrupload ftp: one FTP operation through the library's FTP class, driven late-bound as any
// host drives it: connect, run the operation, disconnect, print the operation's result.
#include "ftp/clsKVRUpload.h"
#include "hosts/cli/Arguments.h"
#include "hosts/cli/CliSupport.h"
#include "hosts/cli/Commands.h"
#include "hosts/cli/Secrets.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/Object.h"
#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"

#include <cstdlib>
#include <iostream>
#include <optional>

namespace kvr::cli {

namespace {

const std::string kFtpHelp =
    std::string(R"(Usage: kvrupload ftp HOST [--user U] [--password P] [--dir D] [--passive] OP ...

Connects to the FTP server HOST (port 21, or HOST:PORT, or [IPv6]:PORT) in active mode
(passive with --passive or KVRUPLOAD_FTP_PASSIVE=1), runs one operation, disconnects, and prints the operation's result array as JSON on stdout.

Operations:
  list [FILTER]                      names in the directory (FILTER such as "*.txt"; default all)
  get REMOTE [LOCAL] [--type ascii|binary] [--dialog EXT]
                                     fetch REMOTE into LOCAL (or a file chosen in the Save dialog)
  put LOCAL REMOTE [--type ascii|binary]
                                     store LOCAL as REMOTE
  put [REMOTE] --dialog EXT [--type ascii|binary]
                                     store the file chosen in the Open dialog under its own
                                     name, after REMOTE's part up to its last "\" (a folder on
                                     a server that reads "\" as one); no REMOTE: the current
                                     directory
  rename OLD NEW                     rename a remote file
  delete NAME                        delete a remote file

Options:
  --user U        user name (anonymous when left out)
  --password P    password (visible to other users: prefer the ways below)
  --password-file F
                  read the password from the first line of the file F
  --dir D         remote directory to change to after logging in
  --type T        ascii (the default) or binary
  --dialog EXT    let the user choose the local file; EXT is the dialog's filter (e.g. gif)
  --passive       the client opens the data connections (PASV, EPSV over IPv6), always to
                  the server's own address: for a client behind NAT or a firewall
  -h, --help      this text

Without --password or --password-file the password comes from the variable
KVRUPLOAD_PASSWORD, else from ~/.netrc (the entry for HOST, or "default"; it may give the
user too), else, when --user is given and stdin is a terminal, from a prompt.

)") +
    kExitStatusHelp + R"(
Examples:
  kvrupload ftp 127.0.0.1:2121 --user ana --password s3cret list
  kvrupload ftp ftp.example.test --user ana --password s3cret --dir pub list "*.zip"
  kvrupload ftp 127.0.0.1:2121 --user ana --password s3cret get report.pdf /tmp/report.pdf --type binary
  kvrupload ftp 127.0.0.1:2121 --user ana --password s3cret put notes.txt incoming/notes.txt
  kvrupload ftp 127.0.0.1:2121 --user ana --password s3cret rename old.txt new.txt
  kvrupload ftp 127.0.0.1:2121 --user ana --password s3cret delete new.txt
)";

const char* const kHint = "Try 'kvrupload ftp --help'.";

struct FtpArgs {
    std::string host;
    std::optional<std::string> user, password, password_file, dir, type, dialog;
    bool passive = false;
    std::string op;
    std::vector<std::string> operands;
};

Variant text_or_missing(const std::optional<std::string>& v) {
    return v ? Variant(*v) : Variant::missing();
}

Variant operand_or_missing(const FtpArgs& a, std::size_t i) {
    return i < a.operands.size() ? Variant(a.operands[i]) : Variant::missing();
}

// Parses the arguments; a message when they are not usable.
std::optional<std::string> parse(const std::vector<std::string>& args, FtpArgs& out, bool& help) {
    const std::pair<const char*, std::optional<std::string> FtpArgs::*> values[] = {
        {"--user", &FtpArgs::user},
        {"--password", &FtpArgs::password},
        {"--password-file", &FtpArgs::password_file},
        {"--dir", &FtpArgs::dir},
        {"--type", &FtpArgs::type},
        {"--dialog", &FtpArgs::dialog}};
    auto slot = [&](const std::string& name) -> std::optional<std::string>* {
        for (const auto& [option, member] : values)
            if (name == option)
                return &(out.*member);
        return nullptr;
    };
    Arguments split;
    const auto kind = [&](const std::string& name) {
        return name == "--passive" ? OptionKind::Flag
               : slot(name)        ? OptionKind::Value
                                   : OptionKind::Unknown;
    };
    if (auto problem = split_arguments(args, kind, split))
        return problem;
    help = split.help;
    if (help)
        return std::nullopt;
    for (const auto& [name, value] : split.options) {
        if (auto* target = slot(name))
            *target = value;
        else
            out.passive = true;
    }
    const std::vector<std::string>& positional = split.operands;
    if (positional.size() < 2)
        return positional.empty() ? "missing HOST and operation" : "missing operation";
    out.host = positional[0];
    if (auto problem = host_port_problem(out.host))
        return problem;
    out.op = positional[1];
    out.operands.assign(positional.begin() + 2, positional.end());
    // With a dialog the library needs neither file name: the chosen file is the local one
    // (a put then names the remote folder only, and that too may be left out).
    struct Shape {
        const char* op;
        std::size_t min, max, min_with_dialog;
        bool transfer;
    };
    static const Shape shapes[] = {{"list", 0, 1, 0, false},
                                   {"get", 1, 2, 1, true},
                                   {"put", 2, 2, 0, true},
                                   {"rename", 2, 2, 2, false},
                                   {"delete", 1, 1, 1, false}};
    for (const auto& s : shapes) {
        if (out.op != s.op)
            continue;
        const std::size_t min = out.dialog ? s.min_with_dialog : s.min;
        if (out.operands.size() < min || out.operands.size() > s.max)
            return "wrong number of operands for " + out.op;
        if (!s.transfer && (out.type || out.dialog))
            return "--type and --dialog apply to get and put only";
        if (out.type && *out.type != "ascii" && *out.type != "binary")
            return "--type must be ascii or binary";
        return std::nullopt;
    }
    return "unknown operation " + out.op;
}

Variant run_operation(Object& ftp, const FtpArgs& a) {
    if (a.op == "list")
        return ftp.call("GetDirectoryList", {Variant::missing(), operand_or_missing(a, 0)});
    if (a.op == "get")
        return ftp.call("GetFile", {Variant(a.operands[0]), operand_or_missing(a, 1),
                                    text_or_missing(a.type), text_or_missing(a.dialog)});
    if (a.op == "put") {
        // One name alone (with a dialog) is the remote one.
        const bool both = a.operands.size() == 2;
        return ftp.call("PutFile", {both ? Variant(a.operands[0]) : Variant::missing(),
                                    operand_or_missing(a, both ? 1 : 0), text_or_missing(a.type),
                                    text_or_missing(a.dialog)});
    }
    if (a.op == "rename")
        return ftp.call("RenameFile", {Variant(a.operands[0]), Variant(a.operands[1])});
    return ftp.call("DeleteFile", {Variant(a.operands[0])});
}

// The class of the FTP call that just failed: the error the FTP class trapped when it has a
// class (a local folder that could not be made), else the calling thread's last failure code.
FailureClass ftp_failure() {
    if (const FailureClass trapped = failure_class_of(clsKVRUpload::last_trapped_error());
        trapped != FailureClass::Other)
        return trapped;
    switch (static_cast<std::int32_t>(ftpnet::last_failure())) {
    case code::ExtendedError:
        return FailureClass::ServerStatus;
    case code::FileNotFound: // the transport's codes for a local file call that failed
    case code::PathNotFound:
    case code::AccessDenied:
    case code::DiskFull:
        return FailureClass::LocalFile;
    default:
        return failure_class_of(static_cast<std::int32_t>(ftpnet::last_failure()));
    }
}

} // namespace

int run_ftp(const std::vector<std::string>& args) {
    FtpArgs a;
    bool help = false;
    if (auto problem = parse(args, a, help))
        return usage_error(*problem, kHint);
    if (help) {
        std::cout << kFtpHelp;
        return kExitSuccess;
    }
    Credentials c{a.user, a.password};
    if (auto problem = complete_credentials(c, a.password_file, host_of(a.host)))
        return print_failure(*problem, interrupted() ? kExitCancelled : kExitLocalFile);
    a.user = c.user;
    a.password = c.user ? c.password : a.password;
    if (a.passive)
        setenv("KVRUPLOAD_FTP_PASSIVE", "1", 1);
    std::shared_ptr<Object> ftp;
    try {
        ftp = CreateObject("KVRUpload.clsKVRUpload");
        ftp->put("Host", Variant(a.host));
        if (a.user)
            ftp->put("User", Variant(*a.user));
        if (a.password)
            ftp->put("Password", Variant(*a.password));
    } catch (const ComError& e) {
        return print_refused(e);
    }
    ftpnet::clear_last_failure();
    clsKVRUpload::clear_last_trapped_error();
    Variant connected = ftp->call("Connect", {Variant::missing(), Variant::missing(),
                                              Variant::missing(), text_or_missing(a.dir)});
    const auto& r = connected.as_array();
    if (r.empty() || !r[0].is_string() || r[0].as_string() != "1") {
        const FailureClass failure = ftp_failure();
        ftp->call("Disconnect", {});
        return print_result(connected, failure);
    }
    ftpnet::clear_last_failure();
    clsKVRUpload::clear_last_trapped_error();
    Variant result = run_operation(*ftp, a);
    const FailureClass failure = ftp_failure();
    ftp->call("Disconnect", {});
    return print_result(result, failure);
}

} // namespace kvr::cli
