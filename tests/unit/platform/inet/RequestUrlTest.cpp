#include "platform/inet/RequestUrl.h"
#include "platform/inet/Inet.h"

#include <gtest/gtest.h>

using namespace kvr::inet;

// Refused URLs are checked through Inet::Execute (InetScripted.RefusedCallsRaise).
TEST(RequestUrl, SchemeAndPortRules) {
    // URL, Protocol, RemotePort, the URL requested (HTTPS where it says so)
    const std::tuple<const char*, int, int, const char*> rows[] = {
        // The URL's scheme wins; otherwise Protocol decides.
        {"HTTPS://127.0.0.1/a.txt", icHTTP, 80, "https://127.0.0.1/a.txt"},
        {"127.0.0.1/a.txt", icDefault, 80, "http://127.0.0.1/a.txt"},
        {"127.0.0.1/a.txt", icHTTPS, 80, "https://127.0.0.1/a.txt"},
        // The URL's port wins; otherwise RemotePort, except 80 under HTTPS.
        {"http://h:8080/a", icHTTP, 9090, "http://h:8080/a"},
        {"https://h:80/a", icHTTP, 80, "https://h:80/a"},
        {"h/a", icHTTP, 8080, "http://h:8080/a"},
        {"https://h/a", icHTTP, 8443, "https://h:8443/a"},
        {"http://h/a", icHTTP, 0, "http://h/a"},
        {"http://h/a", icHTTP, -25536, "http://h:40000/a"}, // a 16-bit port read unsigned
        // Texts a browser would escape are escaped as they stand.
        {"  http://h/my file.pdf ", icHTTP, 80, "http://h/my%20file.pdf"},
        {"http://h/relatório.pdf", icHTTP, 80, "http://h/relat%C3%B3rio.pdf"},
        {"http://h/a%20b?x=1 2", icHTTP, 80, "http://h/a%20b?x=1%202"},
        {"http://user:pw@h/a", icHTTP, 80, "http://user:pw@h/a"},
    };
    for (const auto& [url, protocol, port, expected] : rows) {
        RequestUrl got = resolve_request_url(url, protocol, static_cast<std::int16_t>(port));
        EXPECT_EQ(got.url, expected) << url << " port " << port;
        EXPECT_EQ(got.https, std::string_view(expected).starts_with("https:")) << url;
    }
}
