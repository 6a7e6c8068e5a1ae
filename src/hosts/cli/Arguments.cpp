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

std::optional<std::string> port_problem(const std::string& port) {
    const bool number = !port.empty() && port.size() <= 5 &&
                        port.find_first_not_of("0123456789") == std::string::npos;
    if (number && std::stol(port) >= 1 && std::stol(port) <= 65535)
        return std::nullopt;
    return "the port must be a whole number from 1 to 65535, not '" + port + "'";
}

} // namespace kvr::cli
