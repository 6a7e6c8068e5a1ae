#include "hosts/cli/CliSupport.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <poll.h>
#include <unistd.h>

namespace kvr::cli {

const char* const kExitStatusHelp = R"(Exit status:
  0    success (the result's first element is "1")
  1    failure of another kind (the result's first element is "0")
  2    usage error
  3    the control refused an option's value
  4    the server refused: an HTTP status other than success, an FTP error reply
  5    cannot connect to the server, or its name was not found
  6    the server stopped answering (timeout)
  7    TLS: the secure channel failed or the certificate was refused
  8    a local file or folder could not be read, written or created
  130  interrupted by Ctrl-C, SIGTERM or SIGHUP (the partial file is removed)
Every failure prints one line "kvrupload: ..." on stderr; the JSON stays on stdout.
)";

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void on_sigint(int) {
    g_interrupted.store(true);
}

// The length of the well-formed UTF-8 sequence at s[i], or 0 when the byte starts none.
std::size_t utf8_sequence(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF; // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        hi = c == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + n > s.size() || byte(i + 1) < lo || byte(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return n;
}

// The bytes that stand for themselves in a JSON string: printable ASCII but '"' and '\\'.
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c)
        plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
    return plain;
}();

void append_string(std::string& out, const std::string& s) {
    out += '"';
    for (std::size_t i = 0; i < s.size();) {
        // A run of plain bytes and well-formed UTF-8 sequences goes over in one append.
        std::size_t run = i;
        for (std::size_t n = 1; n > 0; run += n) {
            while (run < s.size() && kPlain[static_cast<unsigned char>(s[run])])
                ++run;
            n = run < s.size() ? utf8_sequence(s, run) : 0;
        }
        out.append(s, i, run - i);
        i = run;
        if (i == s.size())
            break;
        const auto c = static_cast<unsigned char>(s[i++]);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        }
        }
    }
    out += '"';
}

// Appends the value's JSON text; `spill`, when given, may take the text so far after each item
// of a list.
void append_json(std::string& out, const Variant& v,
                 const std::function<void(std::string&)>& spill = {}) {
    switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
    case VarType::Object:
        out += "null";
        break;
    case VarType::Boolean:
        out += v.to_bool() ? "true" : "false";
        break;
    case VarType::Integer:
    case VarType::Long:
        out += std::to_string(v.to_long());
        break;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", v.number());
        out += buf;
        break;
    }
    case VarType::String:
        append_string(out, v.as_string());
        break;
    case VarType::ByteArray:
        append_string(out, v.to_string());
        break;
    case VarType::Array: {
        out += '[';
        bool first = true;
        for (const auto& item : v.as_array()) {
            if (!first)
                out += ',';
            first = false;
            append_json(out, item);
            if (spill)
                spill(out);
        }
        out += ']';
        break;
    }
    }
}

// Writes the value's JSON text to the stream, a piece at a time: the text of a long listing is
// never held whole beside the list itself.
void write_json(std::ostream& os, const Variant& v) {
    constexpr std::size_t kPiece = 64 * 1024;
    std::string out;
    out.reserve(kPiece + 256);
    const auto spill = [&os](std::string& text) {
        if (text.size() < kPiece)
            return;
        os.write(text.data(), static_cast<std::streamsize>(text.size()));
        text.clear();
    };
    append_json(out, v, spill);
    os << out;
}

// The failure's own message: the result's second element, else the whole result.
std::string message_of(const Variant& result) {
    if (result.is_array() && result.as_array().size() > 1 && result.as_array()[1].is_string())
        return result.as_array()[1].as_string();
    return to_json(result);
}

} // namespace

int exit_code_of(FailureClass c) {
    switch (c) {
    case FailureClass::None:
    case FailureClass::Other:
        return kExitFailure;
    case FailureClass::ServerStatus:
        return kExitServerStatus;
    case FailureClass::Connect:
        return kExitConnect;
    case FailureClass::Timeout:
        return kExitTimeout;
    case FailureClass::Tls:
        return kExitTls;
    case FailureClass::LocalFile:
        return kExitLocalFile;
    case FailureClass::Cancelled:
        return kExitCancelled;
    }
    return kExitFailure;
}

std::string to_json(const Variant& v) {
    std::string out;
    append_json(out, v);
    return out;
}

int print_result(const Variant& result, FailureClass failure) {
    write_json(std::cout, result);
    std::cout << std::endl;
    if (result.is_array() && !result.as_array().empty() && result.as_array()[0].is_string() &&
        result.as_array()[0].as_string() == "1")
        return kExitSuccess;
    return print_failure(message_of(result),
                         interrupted() ? kExitCancelled : exit_code_of(failure));
}

int print_refused(const ComError& e) {
    std::cerr << "kvrupload: error " << e.number() << " (" << e.source() << "): " << e.description()
              << std::endl;
    return kExitRefused;
}

int print_failure(const std::string& message, int code) {
    // One line: line breaks, control characters and the blanks around them become one blank.
    std::string line;
    for (char c : message) {
        if (static_cast<unsigned char>(c) < 0x20 || c == ' ') {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
        } else {
            line += c;
        }
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    std::cerr << "kvrupload: " << line << std::endl;
    return code;
}

int usage_error(const std::string& message, const std::string& help_hint) {
    std::cerr << "kvrupload: " << message << "\n" << help_hint << std::endl;
    return kExitUsage;
}

void open_missing_standard_streams() {
    for (int fd = 0; fd < 3; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF && ::open("/dev/null", O_RDWR) != fd)
            break;
}

void install_interrupt_handler() {
    struct sigaction sa {};
    sa.sa_handler = on_sigint;
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a read from the terminal ends at once; the second Ctrl-C is the default.
    sa.sa_flags = SA_RESETHAND;
    // A closed terminal (SIGHUP) or a script's kill or timeout (SIGTERM) ends the work as
    // Ctrl-C does: killed outright, the command would leave its partial file behind.
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

bool interrupted() {
    return g_interrupted.load();
}

bool stdin_is_terminal() {
    return isatty(STDIN_FILENO) == 1;
}
bool terminal_input_ready() {
    if (!stdin_is_terminal())
        return !interrupted();
    // A terminal hands out one line per read, so nothing is left waiting in a buffer here.
    constexpr int kTurnMs = 100;
    while (!interrupted()) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (poll(&p, 1, kTurnMs) != 0)
            return !interrupted();
    }
    return false;
}

bool stderr_is_terminal() {
    return isatty(STDERR_FILENO) == 1;
}

} // namespace kvr::cli
