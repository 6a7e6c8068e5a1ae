#include "hosts/cli/CliSupport.h"

#include <cstdio>
#include <iostream>

namespace kvr::cli {

namespace {
void append_string(std::string& out, const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
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
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

void append_json(std::string& out, const Variant& v) {
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
        }
        out += ']';
        break;
    }
    }
}
} // namespace

std::string to_json(const Variant& v) {
    std::string out;
    append_json(out, v);
    return out;
}

int print_result(const Variant& result) {
    std::cout << to_json(result) << std::endl;
    if (result.is_array() && !result.as_array().empty() && result.as_array()[0].is_string() &&
        result.as_array()[0].as_string() == "1")
        return kExitSuccess;
    return kExitFailure;
}

int print_refused(const ComError& e) {
    std::cerr << "error " << e.number() << " (" << e.source() << "): " << e.description()
              << std::endl;
    return kExitRefused;
}

int usage_error(const std::string& message, const std::string& help_hint) {
    std::cerr << "kvrupload: " << message << "\n" << help_hint << std::endl;
    return kExitUsage;
}

} // namespace kvr::cli
