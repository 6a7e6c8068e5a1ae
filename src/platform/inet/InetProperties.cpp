// The control's properties and the checks every request passes, whatever engine sends it.
#include "platform/automation/ComError.h"
#include "platform/inet/InetErrors.h"
#include "platform/inet/InetSettings.h"
#include "platform/inet/RequestUrl.h"

#include <cstdlib>

namespace kvr::inet {

namespace {
constexpr const char* kSource = "Inet";
} // namespace

int Inet::Protocol() const {
    return settings().protocol;
}
void Inet::set_Protocol(int protocol) {
    settings().protocol = protocol;
}
int Inet::AccessType() const {
    return settings().access;
}
void Inet::set_AccessType(int access) {
    settings().access = access;
}
std::string Inet::Proxy() const {
    return settings().proxy;
}
void Inet::set_Proxy(const std::string& proxy) {
    settings().proxy = proxy;
}
std::int16_t Inet::RemotePort() const {
    return settings().remote_port;
}
void Inet::set_RemotePort(std::int16_t port) {
    settings().remote_port = port;
}
std::string Inet::URL() const {
    return settings().url;
}
void Inet::set_URL(const std::string& url) {
    settings().url = url;
}
std::string Inet::UserName() const {
    return settings().user;
}
void Inet::set_UserName(const std::string& user) {
    settings().user = user;
}
std::string Inet::Password() const {
    return settings().password;
}
void Inet::set_Password(const std::string& password) {
    settings().password = password;
}

void Inet::Execute(const std::string& url, const std::string& operation, std::string data) {
    start_request(url, operation, std::move(data), nullptr);
}

void Inet::Execute(const std::string& url, const std::string& operation,
                   std::shared_ptr<const sys::InputFile> body) {
    start_request(url, operation, {}, std::move(body));
}

void Inet::start_request(const std::string& url, const std::string& operation, std::string data,
                         std::shared_ptr<const sys::InputFile> body) {
    std::string op = ucase(trim(operation));
    if (op.empty())
        op = "GET";
    if (op != "GET" && op != "PUT")
        throw ComError(icErrBadOperation, kSource, inet_refusal_text(icErrBadOperation));
    Settings& s = settings();
    RequestUrl target = resolve_request_url(url.empty() ? s.url : url, s.protocol, s.remote_port);
    if (!url.empty())
        s.url = url;
    start_transfer(target, op == "PUT", std::move(data), std::move(body));
}

long number_from_env(const char* name, long fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    return (end && *end == '\0' && n > 0) ? n : fallback;
}

} // namespace kvr::inet
