#include "platform/inet/RequestUrl.h"
#include "platform/automation/ComError.h"
#include "platform/inet/Inet.h"
#include "platform/inet/InetErrors.h"

#include <gtest/gtest.h>

using namespace kvr::inet;

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
        {"http://127.0.0.1/a.txt", icHTTP, 80, "http://127.0.0.1/a.txt", false},
        {"HTTPS://127.0.0.1/a.txt", icHTTP, 80, "https://127.0.0.1/a.txt", true},
        {"127.0.0.1/a.txt", icHTTP, 80, "http://127.0.0.1/a.txt", false},
        {"127.0.0.1/a.txt", icDefault, 80, "http://127.0.0.1/a.txt", false},
        {"127.0.0.1/a.txt", icHTTPS, 80, "https://127.0.0.1/a.txt", true},
        {"https://localhost/a", icHTTPS, 443, "https://localhost/a", true},
        // The URL's port wins; otherwise RemotePort, except 80 under HTTPS.
        {"http://h:8080/a", icHTTP, 9090, "http://h:8080/a", false},
        {"https://h:80/a", icHTTP, 80, "https://h:80/a", true},
        {"h/a", icHTTP, 8080, "http://h:8080/a", false},
        {"https://h/a", icHTTP, 8443, "https://h:8443/a", true},
        {"http://h/a", icHTTP, 443, "http://h:443/a", false},
        {"http://h/a", icHTTP, 0, "http://h/a", false},
        {"http://h/a", icHTTP, -1, "http://h:65535/a", false}, // a 16-bit port read unsigned
        {"http://h/a", icHTTP, -25536, "http://h:40000/a", false},
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

TEST(RequestUrl, UnusableUrlsAreRefused) {
    struct Row {
        const char* url;
        int protocol;
        std::int32_t error;
    };
    const Row rows[] = {
        {"", icHTTP, icErrBadUrl},
        {"   ", icHTTP, icErrBadUrl},
        {"http://", icHTTP, icErrBadUrl},
        {"http://h:porta/a", icHTTP, icErrBadUrl},
        {"ftp://h/a.txt", icHTTP, icErrProtocolNotSupported},
        {"file:///etc/passwd", icHTTP, icErrProtocolNotSupported},
        {"h/a.txt", icFTP, icErrProtocolNotSupported},
    };
    for (const auto& r : rows) {
        try {
            resolve_request_url(r.url, r.protocol, 80);
            ADD_FAILURE() << "accepted: " << r.url;
        } catch (const kvr::ComError& e) {
            EXPECT_EQ(e.number(), r.error) << r.url;
            EXPECT_EQ(e.description(), inet_refusal_text(r.error));
        }
    }
}
