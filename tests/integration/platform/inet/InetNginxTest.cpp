// fixtures: http
// The transfer control against nginx: no redirect from HTTPS to HTTP, the bounds on memory and
// chunks, a request replaced or cancelled while it runs (GET and PUT whole: the window's tests).
#include "integration/platform/inet/InetTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>
#include <unistd.h>

using namespace kvr::inet;
using kvr::test::fetch;
using kvr::test::Fetched;

namespace {

class InetNginx : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(web.running()) << "the http fixture is not running"; }
    std::string serve(const std::string& name, std::size_t size) const {
        return web.serve(prefix + name, size);
    }
    std::string url(const std::string& name) const { return web.http("/" + prefix + name); }

    kvr::test::Nginx web;
    std::string prefix = "itest-inet-" + std::to_string(getpid()) + "-";
};

} // namespace

// A protected request redirected to plain HTTP fails instead of going on unprotected.
TEST_F(InetNginx, HttpsNeverFollowsARedirectToHttp) {
    const kvr::test::ScopedEnv ca{{"CURL_CA_BUNDLE", web.env.at("KVR_CA_FILE")}};
    Inet inet;
    Fetched f = fetch(inet, "https://localhost:" + web.env.at("KVR_HTTPS_PORT") + "/to-http/a");
    EXPECT_EQ(std::make_tuple(f.code, f.info, f.raised),
              std::make_tuple(12040,
                              "Uma conexão segura foi redirecionada para uma conexão não segura",
                              12040));
    EXPECT_TRUE(f.body.empty());
}

TEST_F(InetNginx, MemoryAndChunksStayBoundedWhileTheCallerReadsSlowly) {
    std::string bytes = serve("slow.bin", 8 * 1024 * 1024);
    Inet inet;
    inet.Execute(url("slow.bin"), "GET");
    while (inet.StillExecuting()) {
    }
    // Let the server get far ahead of the reader.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::string body;
    for (int n = 0;; ++n) {
        kvr::ByteArray chunk = inet.GetChunk(1024);
        if (chunk.empty())
            break;
        ASSERT_LE(chunk.size(), 1024u);
        body.append(chunk.begin(), chunk.end());
        if (n % 512 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_LE(inet.buffered_peak(), Inet::kBodyBufferCapacity);
    }
    EXPECT_TRUE(body == bytes);
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
