#include "platform/inet/RequestUrl.h"
#include "platform/inet/Inet.h"

#include <gtest/gtest.h>

using namespace kvr::inet;

// Refused URLs are checked through Inet::Execute (InetScripted.RefusedCallsRaise).
TEST(RequestUrl, SchemeAndPortRules) {
    struct Row {
        const char* url;
        int protocol;
        int remote_port;
        const char* expected;
        bool https;
    };
    const Row rows[] = {
        // The URL's scheme wins; otherwise Protocol decides.
        {"HTTPS://127.0.0.1/a.txt", icHTTP, 80, "https://127.0.0.1/a.txt", true},
        {"127.0.0.1/a.txt", icDefault, 80, "http://127.0.0.1/a.txt", false},
        {"127.0.0.1/a.txt", icHTTPS, 80, "https://127.0.0.1/a.txt", true},
        // The URL's port wins; otherwise RemotePort, except 80 under HTTPS.
        {"http://h:8080/a", icHTTP, 9090, "http://h:8080/a", false},
        {"https://h:80/a", icHTTP, 80, "https://h:80/a", true},
        {"h/a", icHTTP, 8080, "http://h:8080/a", false},
        {"https://h/a", icHTTP, 8443, "https://h:8443/a", true},
        {"http://h/a", icHTTP, 0, "http://h/a", false},
        {"http://h/a", icHTTP, -25536, "http://h:40000/a", false}, // a 16-bit port read unsigned
        // Texts a browser would escape are escaped as they stand.
        {"  http://h/my file.pdf ", icHTTP, 80, "http://h/my%20file.pdf", false},
        {"http://h/relatório.pdf", icHTTP, 80, "http://h/relat%C3%B3rio.pdf", false},
        {"http://h/a%20b?x=1 2", icHTTP, 80, "http://h/a%20b?x=1%202", false},
        {"http://user:pw@h/a", icHTTP, 80, "http://user:pw@h/a", false},
    };
    for (const auto& r : rows) {
        RequestUrl got =
            resolve_request_url(r.url, r.protocol, static_cast<std::int16_t>(r.remote_port));
        EXPECT_EQ(got.url, r.expected) << r.url << " port " << r.remote_port;
        EXPECT_EQ(got.https, r.https) << r.url;
    }
}
