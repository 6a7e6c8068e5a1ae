#include "platform/inet/UrlParts.h"

#include "platform/inet/CurlLibrary.h"

#include <memory>

namespace kvr::inet {

namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_library()->url_cleanup(u); }
};
struct TextDeleter {
    void operator()(char* p) const { curl_library()->free(p); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;
using Text = std::unique_ptr<char, TextDeleter>;

Text get_part(CURLU* u, CURLUPart part) {
    char* p = nullptr;
    if (curl_library()->url_get(u, part, &p, 0) != CURLUE_OK)
        return nullptr;
    return Text(p);
}

} // namespace

std::string complete_url(const std::string& url, unsigned port, unsigned scheme_default) {
    const CurlLibrary* lib = curl_library();
    if (!lib)
        return {};
    UrlHandle u(lib->url());
    if (!u || lib->url_set(u.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return {};
    Text host = get_part(u.get(), CURLUPART_HOST);
    if (!host || !*host)
        return {};
    if (!get_part(u.get(), CURLUPART_PORT) && port != scheme_default &&
        lib->url_set(u.get(), CURLUPART_PORT, std::to_string(port).c_str(), 0) != CURLUE_OK)
        return {};
    Text full = get_part(u.get(), CURLUPART_URL);
    return full ? std::string(full.get()) : std::string();
}

} // namespace kvr::inet
