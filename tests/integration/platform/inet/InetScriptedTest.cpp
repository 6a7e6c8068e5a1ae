// The transfer control against the scripted server: faults nginx will not produce on demand.
#include "integration/platform/inet/InetTestSupport.h"

#include "platform/inet/InetErrors.h"
#include "support/RaisedNumber.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <tuple>
#include <vector>

using namespace kvr::inet;
using kvr::test::fetch;
using kvr::test::Fetched;
using kvr::test::ScriptedHttp;

namespace {
const std::string kPage = "<html>\r\n<head><title>404 Not Found</title></head>\r\n"
                          "<body>\r\n<center><h1>404 Not Found</h1></center>\r\n</body>\r\n"
                          "</html>\r\n";
} // namespace

// ResponseCode is the code GetChunk raises once the body has been handed out (0: clean end).
// Bodies without a usable length and a status line without a reason: the download's tests.
TEST(InetScripted, FaultsAndOddAnswers) {
    struct Case {
        const char* scenario; // nullptr: nothing listens
        std::int32_t code;
        std::string header;
        std::string body;     // what GetChunk hands out before it ends or raises
        bool partial = false; // only a part of `body`: too little came in time
    };
    const std::string length = "HTTP/1.1 200 OK\r\nContent-Length: 10000";
    const Case cases[] = {
        {"not_found", 0,
         "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: " +
             std::to_string(kPage.size()),
         kPage},
        {"custom_headers", 0,
         "HTTP/1.1 200 OK\r\nX-Kvr-Um: primeiro\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2\r\n"
         "Content-Length: 2",
         "ok"},
        {"interim", 0, "HTTP/1.1 200 OK\r\nContent-Length: 5", "final"},
        {"redirect", 0, "HTTP/1.1 200 OK\r\nX-Final: sim\r\nContent-Length: 5", "final"},
        {"cut_after_pause", 12030, length, ScriptedHttp::body_of(3000)},
        {"empty_reply", 12152, "", ""},
        {"reset", 12031, "", ""},
        {nullptr, 12029, "", ""},
        // Silence before the headers, or after part of the body: the low-speed limit ends it.
        {"stall", 12002, "", ""},
        {"stall_body", 12002, length, ScriptedHttp::body_of(1000)},
        // Bytes keep coming, but far too few: the least progress over the window is not met.
        {"trickle_body", 12002, length, ScriptedHttp::body_of(10000), true},
    };
    const kvr::test::ScopedEnv low_speed{{"KVR_INET_LOW_SPEED_TIME", "2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario ? c.scenario : "nothing listens");
        const auto start = std::chrono::steady_clock::now();
        std::optional<ScriptedHttp> server;
        // Only the redirect scenario follows the path (three hops to the final answer).
        std::string url = "http://127.0.0.1:" + std::to_string(ScriptedHttp::closed_port()) + "/";
        if (c.scenario)
            url = server.emplace(c.scenario, std::vector<std::string>{"--size", "3000"})
                      .url("/hop/3");
        Inet inet;
        Fetched f = fetch(inet, url);
        EXPECT_EQ(f.code, c.code) << f.info;
        EXPECT_EQ(f.info.empty(), c.code == 0) << f.info;
        EXPECT_EQ(f.header, c.header);
        EXPECT_TRUE(f.body == c.body.substr(0, c.partial ? f.body.size() : std::string::npos))
            << "got " << f.body.size() << " bytes";
        EXPECT_EQ(f.body.size() < c.body.size(), c.partial);
        EXPECT_EQ(f.raised, c.code);
        EXPECT_LE(f.largest_chunk, 1024u);
        // Headers come before the body; only a server silent before them waits for the limit.
        EXPECT_EQ(f.seconds_to_response >= 1.5, c.scenario && c.scenario == std::string("stall"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

// Row 0: the Proxy property; 1: http_proxy; 2: icDirect, which ignores http_proxy.
TEST(InetScripted, ProxyPropertyThenEnvironmentThenDirect) {
    ScriptedHttp proxy("echo");
    const std::string at = "127.0.0.1:" + std::to_string(proxy.port());
    const std::string target =
        "http://127.0.0.1:" + std::to_string(ScriptedHttp::closed_port()) + "/via/proxy.txt";
    for (const char* v : {"no_proxy", "NO_PROXY", "http_proxy"})
        unsetenv(v);
    for (const int row : {0, 1, 2}) {
        SCOPED_TRACE(row);
        if (row)
            setenv("http_proxy", ("http://" + at).c_str(), 1);
        Inet inet;
        if (row == 0)
            inet.set_Proxy(at);
        if (row == 2)
            inet.set_AccessType(icDirect);
        Fetched f = fetch(inet, target);
        EXPECT_EQ(f.code, row == 2 ? 12029 : 0) << f.info;
        EXPECT_EQ(f.body.rfind("GET " + target + " HTTP/1.1\r\n", 0),
                  row == 2 ? std::string::npos : 0)
            << f.body;
    }
    unsetenv("http_proxy");
}

TEST(InetScripted, RefusedCallsRaise) {
    const std::tuple<const char*, const char*, std::int32_t> rows[] = {
        {"http://127.0.0.1:1/a", "POST", icErrBadOperation},
        {"   ", "GET", icErrBadUrl},
        {"http://", "GET", icErrBadUrl},
        {"http://h:porta/a", "GET", icErrBadUrl},
        {"ftp://127.0.0.1/a", "GET", icErrProtocolNotSupported},
        {"file:///etc/passwd", "GET", icErrProtocolNotSupported},
        // A host the engine would decode into raw bytes (found by fuzzing).
        {"127.0.0.\xC5:8443/x", "GET", icErrBadUrl},
        {"http://h%0D%0AX:1/a", "GET", icErrBadUrl},
        {"/%30", "GET", icErrBadUrl},
        {"http://%31%32%37.0.0.1/a", "GET", icErrBadUrl},
    };
    Inet inet;
    for (auto [url, operation, number] : rows) {
        const kvr::ComError e = kvr::test::raised([&] { inet.Execute(url, operation); });
        EXPECT_EQ(e.number(), number) << url << " " << operation;
        EXPECT_EQ(e.description(), inet_refusal_text(number)) << url;
    }
    // Nothing was started: nothing runs and there is nothing to read.
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_TRUE(inet.GetChunk(1024).empty());
    EXPECT_EQ(inet.ResponseCode(), 0);
    // Without a scheme in the URL, Protocol decides: FTP is not this control's.
    inet.set_Protocol(icFTP);
    EXPECT_EQ(kvr::test::raised_number([&] { inet.Execute("127.0.0.1/a.txt", "GET"); }),
              icErrProtocolNotSupported);
}
