#include "platform/inet/RequestUrl.h"

#include "platform/automation/ComError.h"
#include "platform/automation/Variant.h"
#include "platform/inet/Inet.h"
#include "platform/inet/InetErrors.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

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

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct TextDeleter {
    void operator()(char* p) const { curl_free(p); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;
using Text = std::unique_ptr<char, TextDeleter>;

Text get_part(CURLU* u, CURLUPart part) {
    char* p = nullptr;
    if (curl_url_get(u, part, &p, 0) != CURLUE_OK)
        return nullptr;
    return Text(p);
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

    UrlHandle u(curl_url());
    if (!u)
        refuse(icErrInitFailed);
    if (curl_url_set(u.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        refuse(icErrBadUrl);
    Text host = get_part(u.get(), CURLUPART_HOST);
    if (!host || !*host)
        refuse(icErrBadUrl);

    if (!get_part(u.get(), CURLUPART_PORT)) {
        unsigned port = static_cast<std::uint16_t>(remote_port);
        const unsigned scheme_default = https ? 443 : 80;
        if (port == 0 || (https && port == 80))
            port = scheme_default;
        if (port != scheme_default &&
            curl_url_set(u.get(), CURLUPART_PORT, std::to_string(port).c_str(), 0) != CURLUE_OK)
            refuse(icErrBadUrl);
    }
    Text full = get_part(u.get(), CURLUPART_URL);
    if (!full)
        refuse(icErrBadUrl);
    return {full.get(), https};
}

} // namespace kvr::inet
