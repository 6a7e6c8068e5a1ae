// Where the command finds a password without it ever being in argv: a file named on the
// command line, the environment, the user's netrc file (curl's rules), or a prompt that
// does not echo.
#pragma once

#include <optional>
#include <string>

namespace kvr::cli {

struct Credentials {
    std::optional<std::string> user;
    std::optional<std::string> password;
};

// The entry of a netrc text for `host`: "machine NAME" entries first, then "default".
// With `user` given only an entry whose login is that user counts (its password is taken);
// without, the first entry for the host gives both. Tokens may be quoted ("a b", \" \\).
Credentials netrc_lookup(const std::string& netrc, const std::string& host,
                         const std::optional<std::string>& user);

// The host part of a URL ("http://u@[::1]:81/x" -> "::1") or of an FTP HOST[:PORT].
std::string host_of(const std::string& url_or_host);

// Fills in what is missing, in this order: --password-file, KVRUPLOAD_PASSWORD, ~/.netrc,
// then a prompt on the terminal when a user is known but still has no password.
// Returns an error message when the password file cannot be read or the prompt was
// interrupted.
std::optional<std::string> complete_credentials(Credentials& c,
                                                const std::optional<std::string>& password_file,
                                                const std::string& host);

} // namespace kvr::cli
