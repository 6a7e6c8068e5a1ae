// fixtures: http
// The transfer control against the scripted server (faults nginx will not produce on demand)
// and nginx; whole GETs and PUTs are the window's tests.
#include "platform/inet/Inet.h"
#include "platform/automation/ComError.h"
#include "platform/inet/InetErrors.h"
#include "support/RaisedNumber.h"
#include "support/ScriptedHttp.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace kvr::inet;
using namespace kvr::test;

namespace {

struct Fetched {
    std::int32_t code = 0;
    std::string info;
    std::string header;
    std::string body;
    std::int32_t raised = 0; // the number GetChunk raised instead of ending, 0 for a clean end
    std::size_t largest_chunk = 0;
    double seconds_to_response = 0;
};

// Execute, poll StillExecuting, read the response, wait `late`, then GetChunk(1024) to the end.
Fetched fetch(Inet& inet, const std::string& url, std::chrono::milliseconds late = {}) {
    Fetched f;
    const auto start = std::chrono::steady_clock::now();
    inet.Execute(url, "GET");
    while (inet.StillExecuting()) {
    }
    f.seconds_to_response =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::this_thread::sleep_for(late);
    f.header = inet.GetHeader();
    try {
        for (kvr::ByteArray chunk; !(chunk = inet.GetChunk(1024, icByteArray)).empty();) {
            f.largest_chunk = std::max(f.largest_chunk, chunk.size());
            f.body.append(chunk.begin(), chunk.end());
        }
    } catch (const kvr::ComError& e) {
        f.raised = e.number();
    }
    f.code = inet.ResponseCode();
    f.info = inet.ResponseInfo();
    return f;
}

const std::string kPage = "<html>\r\n<head><title>404 Not Found</title></head>\r\n"
                          "<body>\r\n<center><h1>404 Not Found</h1></center>\r\n</body>\r\n"
                          "</html>\r\n";

class InetNginx : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(web.running()) << "the http fixture is not running"; }
    std::string serve(const std::string& name, std::size_t size) const {
        return web.serve(prefix + name, size);
    }
    std::string url(const std::string& name) const { return web.http("/" + prefix + name); }

    Nginx web;
    std::string prefix = "itest-inet-" + std::to_string(getpid()) + "-";
};

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
    const ScopedEnv low_speed{{"KVR_INET_LOW_SPEED_TIME", "2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario ? c.scenario : "nothing listens");
        const auto start = std::chrono::steady_clock::now();
        std::optional<ScriptedHttp> server;
        // Only the redirect scenario follows the path (three hops to the final answer).
        const std::string url =
            c.scenario ? server.emplace(c.scenario, std::vector<std::string>{"--size", "3000"})
                             .url("/hop/3")
                       : ScriptedHttp::closed_url();
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
    const std::string target = ScriptedHttp::closed_url("/via/proxy.txt");
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
        const kvr::ComError e = raised([&] { inet.Execute(url, operation); });
        EXPECT_EQ(e.number(), number) << url << " " << operation;
        EXPECT_EQ(e.description(), inet_refusal_text(number)) << url;
    }
    // Nothing was started: nothing runs and there is nothing to read.
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_TRUE(inet.GetChunk(1024).empty());
    EXPECT_EQ(inet.ResponseCode(), 0);
    // Without a scheme in the URL, Protocol decides: FTP is not this control's.
    inet.set_Protocol(icFTP);
    EXPECT_EQ(raised_number([&] { inet.Execute("127.0.0.1/a.txt", "GET"); }),
              icErrProtocolNotSupported);
}

// A protected request redirected to plain HTTP fails instead of going on unprotected.
TEST_F(InetNginx, HttpsNeverFollowsARedirectToHttp) {
    const ScopedEnv ca{{"CURL_CA_BUNDLE", web.env.at("KVR_CA_FILE")}};
    Inet inet;
    Fetched f = fetch(inet, "https://localhost:" + web.env.at("KVR_HTTPS_PORT") + "/to-http/a");
    EXPECT_EQ(std::tie(f.code, f.raised, f.body), std::tuple(12040, 12040, ""));
    EXPECT_EQ(f.info, "Uma conexão segura foi redirecionada para uma conexão não segura");
}

// The server gets far ahead of a reader that starts late: the buffer fills, and holds no more.
TEST_F(InetNginx, MemoryStaysBoundedWhileTheCallerReadsLate) {
    std::string bytes = serve("slow.bin", 8 * 1024 * 1024);
    Inet inet;
    EXPECT_TRUE(fetch(inet, url("slow.bin"), std::chrono::milliseconds(200)).body == bytes);
    EXPECT_LE(inet.buffered_peak(), Inet::kBodyBufferCapacity);
    EXPECT_GT(inet.buffered_peak(), Inet::kBodyBufferCapacity / 2) << "the buffer was never filled";
}

TEST_F(InetNginx, ANewRequestReplacesARunningOne) {
    serve("big.bin", 4 * 1024 * 1024);
    std::string small = serve("small.bin", 3000);
    Inet inet;
    inet.Execute(url("big.bin"), "GET");
    for (int i = 0; i < 10; ++i)
        inet.GetChunk(1024); // reading before StillExecuting drives the request itself
    Fetched f = fetch(inet, url("small.bin"));
    EXPECT_TRUE(f.body == small);

    // Cancelled or destroyed mid-body: nothing left to read, nothing hangs.
    inet.Execute(url("big.bin"), "GET");
    inet.GetChunk(1024);
    inet.Cancel();
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_TRUE(inet.GetChunk(1024).empty());
    auto doomed = std::make_unique<Inet>();
    doomed->Execute(url("big.bin"), "GET");
    doomed->GetChunk(1024);
    doomed.reset();
}
