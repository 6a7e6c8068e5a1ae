// A subcommand's command line split into options and operands the same way for every
// subcommand: "--name VALUE" and "--name=VALUE" alike, "--" ends the options (a name after it
// may begin with "-"), "-h" and "--help" ask for help.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvr::cli {

// What a subcommand knows of an option, by its name ("--user"): nothing, a flag, or an
// option that takes a value.
enum class OptionKind { Unknown, Flag, Value };

struct Arguments {
    struct Option {
        std::string name;
        std::string value; // empty for a flag
    };
    std::vector<Option> options; // in the order given
    std::vector<std::string> operands;
    bool help = false; // the rest was not read
};

// The arguments split by `kind`; a usage message when they cannot be.
std::optional<std::string>
split_arguments(const std::vector<std::string>& args,
                const std::function<OptionKind(const std::string&)>& kind, Arguments& out);

// A whole number from 1 to 65535, in digits only.
bool valid_port(const std::string& port);

// A usage message when a HOST, HOST:PORT or [IPv6]:PORT text names a port that is no port.
std::optional<std::string> host_port_problem(const std::string& host);

} // namespace kvr::cli
