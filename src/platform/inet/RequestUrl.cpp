#include "platform/inet/RequestUrl.h"

#include "platform/automation/ComError.h"
#include "platform/automation/Variant.h"
#include "platform/inet/Inet.h"
#include "platform/inet/InetErrors.h"
#include "platform/inet/UrlParts.h"

#include <cctype>

namespace kvr::inet {

namespace {

[[noreturn]] void refuse(std::int32_t number) {
    throw ComError(number, "Inet::Execute", inet_refusal_text(number));
}

bool needs_escape(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F)
        return true;
    switch (c) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
        return true;
    }
    return false;
}

std::string escape(const std::string& url) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (unsigned char c : url) {
        if (needs_escape(c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The scheme the URL names, lower-cased; "" when it names none.
std::string scheme_of(const std::string& url) {
    auto sep = url.find("://");
    if (sep == std::string::npos || sep == 0 || !std::isalpha(static_cast<unsigned char>(url[0])))
        return {};
    std::string scheme;
    for (std::size_t i = 0; i < sep; ++i) {
        unsigned char c = static_cast<unsigned char>(url[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return {};
        scheme += static_cast<char>(std::tolower(c));
    }
    return scheme;
}

} // namespace

RequestUrl resolve_request_url(const std::string& url, int protocol, std::int16_t remote_port) {
    std::string text = escape(trim(url));
    if (text.empty())
        refuse(icErrBadUrl);

    std::string scheme = scheme_of(text);
    if (scheme.empty()) {
        if (protocol == icFTP)
            refuse(icErrProtocolNotSupported);
        scheme = protocol == icHTTPS ? "https" : "http";
        text = scheme + "://" + text;
    }
    if (scheme != "http" && scheme != "https")
        refuse(icErrProtocolNotSupported);
    const bool https = scheme == "https";

    // A percent sign in the host would be decoded by the engine, and decoded again when the
    // completed URL is read back: the request could go to another host than the one checked.
    {
        // The engine takes extra slashes after the scheme as part of the separator.
        const std::size_t start = text.find_first_not_of('/', text.find("://") + 3);
        const std::string authority =
            start == std::string::npos
                ? std::string()
                : text.substr(start, text.find_first_of("/?#", start) - start);
        const std::size_t at = authority.rfind('@');
        if (authority.find('%', at == std::string::npos ? 0 : at + 1) != std::string::npos)
            refuse(icErrBadUrl);
    }
    unsigned port = static_cast<std::uint16_t>(remote_port);
    const unsigned scheme_default = https ? 443 : 80;
    if (port == 0 || (https && port == 80))
        port = scheme_default;
    std::string full = complete_url(text, port, scheme_default);
    if (full.empty())
        refuse(icErrBadUrl);
    // The engine decodes a percent-encoded host: what comes back must still be plain ASCII,
    // or a host name of raw bytes would go to the resolver and into the request's head.
    for (unsigned char c : full)
        if (c <= 0x20 || c >= 0x7F)
            refuse(icErrBadUrl);
    return {full, https};
}

} // namespace kvr::inet
