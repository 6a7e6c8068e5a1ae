#include "hosts/cli/Arguments.h"

namespace kvr::cli {

std::optional<std::string>
split_arguments(const std::vector<std::string>& args,
                const std::function<OptionKind(const std::string&)>& kind, Arguments& out) {
    bool options_end = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_end || arg.size() < 2 || arg[0] != '-') {
            out.operands.push_back(arg);
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
        const auto eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        Arguments::Option option{arg.substr(0, eq), {}};
        switch (kind(option.name)) {
        case OptionKind::Unknown:
            return "unknown option " + option.name;
        case OptionKind::Flag:
            if (eq != std::string::npos)
                return "option " + option.name + " takes no value";
            break;
        case OptionKind::Value:
            if (eq != std::string::npos)
                option.value = arg.substr(eq + 1);
            else if (i + 1 < args.size())
                option.value = args[++i];
            else
                return "option " + option.name + " needs a value";
            break;
        }
        out.options.push_back(std::move(option));
    }
    return std::nullopt;
}

bool valid_port(const std::string& port) {
    return !port.empty() && port.size() <= 5 &&
           port.find_first_not_of("0123456789") == std::string::npos && std::stol(port) >= 1 &&
           std::stol(port) <= 65535;
}

std::optional<std::string> host_port_problem(const std::string& host) {
    std::size_t colon = std::string::npos;
    if (!host.empty() && host[0] == '[') {
        const auto close = host.find(']');
        if (close == std::string::npos || (close + 1 < host.size() && host[close + 1] != ':'))
            return "'" + host + "' is not HOST, HOST:PORT or [IPv6]:PORT";
        if (close + 1 < host.size())
            colon = close + 1;
    } else if (host.find(':') == host.rfind(':')) {
        // One colon at most: more make an IPv6 address without a port.
        colon = host.find(':');
    }
    if (colon == std::string::npos || valid_port(host.substr(colon + 1)))
        return std::nullopt;
    return "the port in '" + host + "' must be a whole number from 1 to 65535";
}

} // namespace kvr::cli
