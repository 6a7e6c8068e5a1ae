#include "hosts/cli/Secrets.h"

#include "hosts/cli/CliSupport.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace kvr::cli {

namespace {

std::vector<std::string> netrc_tokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::string token;
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    const char e = text[++i];
                    token += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
                } else {
                    token += text[i];
                }
            }
            ++i;
        } else {
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
                token += text[i++];
        }
        tokens.push_back(token);
    }
    return tokens;
}

// Skips a macro definition: its body runs to the first empty line.
std::size_t skip_macdef(const std::string& text, std::size_t from) {
    std::size_t end = text.find("\n\n", from);
    return end == std::string::npos ? text.size() : end + 2;
}

// The text without its macro definitions ("macdef NAME" as a token, to the next blank line).
std::string without_macros(const std::string& text) {
    const auto blank = [&](std::size_t k) {
        return k >= text.size() || std::isspace(static_cast<unsigned char>(text[k]));
    };
    std::string out;
    std::size_t i = 0;
    for (std::size_t m = text.find("macdef"); m != std::string::npos;
         m = text.find("macdef", m + 1)) {
        if (m < i || (m > 0 && !blank(m - 1)) || !blank(m + 6))
            continue;
        out.append(text, i, m - i);
        i = skip_macdef(text, m);
    }
    if (i < text.size())
        out.append(text, i, std::string::npos);
    return out;
}

std::optional<std::string> read_first_line(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    int err = in ? 0 : errno != 0 ? errno : EIO;
    struct stat st {};
    // A folder opens like a file and reads as nothing: an empty password nobody meant.
    if (in && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        err = EISDIR;
    if (!in || err != 0) {
        error = "Arquivo de senha não pode ser lido: " + path + " (" + std::strerror(err) + ")";
        return std::nullopt;
    }
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string prompt_password(const std::string& prompt) {
    // Echo goes off before the prompt shows, so nothing typed after it is ever echoed.
    termios saved{};
    const bool tty = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (tty) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::cerr << prompt << std::flush;
    std::string answer;
    if (terminal_input_ready())
        std::getline(std::cin, answer);
    std::cin.clear();
    if (tty)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::cerr << std::endl;
    return answer;
}

} // namespace

Credentials netrc_lookup(const std::string& netrc, const std::string& host,
                         const std::optional<std::string>& user) {
    const auto tokens = netrc_tokens(without_macros(netrc));
    // Each entry: its machine ("" for default), login and password.
    struct Entry {
        std::string machine;
        bool is_default = false;
        std::optional<std::string> login, password;
    };
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& t = tokens[i];
        const bool has_value = i + 1 < tokens.size();
        if (t == "machine" && has_value) {
            entries.push_back({tokens[++i], false, {}, {}});
        } else if (t == "default") {
            entries.push_back({"", true, {}, {}});
        } else if ((t == "login" || t == "password" || t == "account") && has_value) {
            const std::string& v = tokens[++i];
            if (entries.empty())
                continue;
            if (t == "login")
                entries.back().login = v;
            else if (t == "password")
                entries.back().password = v;
        }
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (const Entry& e : entries) {
            if (pass == 0 ? (e.is_default || e.machine != host) : !e.is_default)
                continue;
            if (user && e.login && *e.login != *user)
                continue;
            return {user ? user : e.login, e.password};
        }
    }
    return {};
}

std::string host_of(const std::string& url_or_host) {
    std::string s = url_or_host;
    if (auto scheme = s.find("://"); scheme != std::string::npos)
        s = s.substr(scheme + 3);
    s = s.substr(0, s.find_first_of("/?#"));
    if (auto at = s.rfind('@'); at != std::string::npos)
        s = s.substr(at + 1);
    if (!s.empty() && s[0] == '[') {
        auto close = s.find(']');
        return s.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return s.substr(0, s.find(':'));
}

std::optional<std::string> complete_credentials(Credentials& c,
                                                const std::optional<std::string>& password_file,
                                                const std::string& host) {
    if (c.password)
        return std::nullopt;
    if (password_file) {
        std::string error;
        c.password = read_first_line(*password_file, error);
        if (!c.password)
            return error;
        return std::nullopt;
    }
    if (const char* env = std::getenv("KVRUPLOAD_PASSWORD"); env && *env) {
        c.password = env;
        return std::nullopt;
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        std::ifstream in(std::string(home) + "/.netrc", std::ios::binary);
        if (in) {
            std::stringstream text;
            text << in.rdbuf();
            Credentials found = netrc_lookup(text.str(), host, c.user);
            if (found.password) {
                c.user = found.user;
                c.password = found.password;
                return std::nullopt;
            }
        }
    }
    if (c.user && stdin_is_terminal()) {
        c.password = prompt_password("Senha de " + *c.user + "@" + host + ": ");
        // Ctrl-C at the prompt is the user giving up, not an empty password to try.
        if (interrupted())
            return std::string("Senha não informada: interrompido.");
    }
    return std::nullopt;
}

} // namespace kvr::cli
