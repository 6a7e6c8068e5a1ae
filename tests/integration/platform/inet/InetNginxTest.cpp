// fixtures: http
// The transfer control against the project's nginx: GET in bounded chunks, HTTPS without the
// test CA, the bound on memory, and a request replaced or cancelled while it runs. PUT is
// run by the upload's tests and against the scripted server.
#include "integration/platform/inet/InetTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

using namespace kvr::inet;
using kvr::test::fetch;
using kvr::test::Fetched;

namespace {

class InetNginx : public ::testing::Test {
  protected:
    void SetUp() override {
        env = kvr::test::server_env("http");
        if (env.empty())
            GTEST_SKIP() << "the http fixture is not running";
        prefix = "itest-inet-" + std::to_string(getpid()) + "-";
    }

    std::string http(const std::string& path) const {
        return "http://127.0.0.1:" + env.at("KVR_HTTP_PORT") + path;
    }
    // A file of `size` bytes served at "/<prefix><name>"; returns its bytes.
    std::string serve(const std::string& name, std::size_t size) const {
        std::string bytes = kvr::test::ScriptedHttp::body_of(size);
        kvr::test::write_file(std::filesystem::path(env.at("KVR_HTTP_ROOT")) / (prefix + name),
                              bytes);
        return bytes;
    }

    std::map<std::string, std::string> env;
    std::string prefix;
};

std::string first_line(const std::string& header) {
    return header.substr(0, header.find("\r\n"));
}

} // namespace

TEST_F(InetNginx, GetHandsOutEveryByteInChunksOfAtMost1024) {
    for (std::size_t size : {0u, 1024u, 3u * 1024 * 1024 + 17}) {
        std::string name = std::to_string(size) + ".bin";
        std::string bytes = serve(name, size);
        Inet inet;
        Fetched f = fetch(inet, http("/" + prefix + name));
        EXPECT_EQ(f.code, 0) << size;
        EXPECT_EQ(f.info, "");
        EXPECT_EQ(first_line(f.header), "HTTP/1.1 200 OK") << size;
        EXPECT_NE(f.header.find("\r\nContent-Length: " + std::to_string(size)), std::string::npos)
            << f.header;
        EXPECT_NE(f.header.substr(f.header.size() - 2), "\r\n") << "no trailing line end";
        EXPECT_EQ(f.raised, 0);
        EXPECT_LE(f.largest_chunk, 1024u);
        EXPECT_TRUE(f.body == bytes) << size << ": got " << f.body.size() << " bytes";
    }
}

// Verified against the test CA, HTTPS is fetched by the download's tests; without it the
// peer cannot be verified.
TEST_F(InetNginx, HttpsWithoutTheTestCaIsRefused) {
    serve("tls.bin", 70000);
    unsetenv("CURL_CA_BUNDLE");
    Inet inet;
    Fetched f =
        fetch(inet, "https://127.0.0.1:" + env.at("KVR_HTTPS_PORT") + "/" + prefix + "tls.bin");
    EXPECT_EQ(f.code, 12045) << f.info;
    EXPECT_EQ(f.header, "");
    EXPECT_EQ(f.raised, 12045);
    EXPECT_TRUE(f.body.empty());
}

// A protected request redirected to plain HTTP fails instead of going on unprotected.
TEST_F(InetNginx, HttpsNeverFollowsARedirectToHttp) {
    setenv("CURL_CA_BUNDLE", env.at("KVR_CA_FILE").c_str(), 1);
    Inet inet;
    Fetched f = fetch(inet, "https://localhost:" + env.at("KVR_HTTPS_PORT") + "/to-http/a");
    unsetenv("CURL_CA_BUNDLE");
    EXPECT_EQ(f.code, 12040) << f.info;
    EXPECT_EQ(f.info, "Uma conexão segura foi redirecionada para uma conexão não segura");
    EXPECT_EQ(f.raised, 12040);
    EXPECT_TRUE(f.body.empty());
}

TEST_F(InetNginx, MemoryStaysBoundedWhileTheCallerReadsSlowly) {
    std::string bytes = serve("slow.bin", 8 * 1024 * 1024);
    Inet inet;
    inet.Execute(http("/" + prefix + "slow.bin"), "GET");
    while (inet.StillExecuting()) {
    }
    // Let the server get far ahead of the reader.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::string body;
    for (int n = 0;; ++n) {
        kvr::ByteArray chunk = inet.GetChunk(1024);
        if (chunk.empty())
            break;
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
    inet.Execute(http("/" + prefix + "big.bin"), "GET");
    for (int i = 0; i < 10; ++i)
        inet.GetChunk(1024); // reading before StillExecuting drives the request itself
    Fetched f = fetch(inet, http("/" + prefix + "small.bin"));
    EXPECT_TRUE(f.body == small);

    // Cancelled or destroyed mid-body: nothing left to read, nothing hangs.
    inet.Execute(http("/" + prefix + "big.bin"), "GET");
    inet.GetChunk(1024);
    inet.Cancel();
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_TRUE(inet.GetChunk(1024).empty());
    auto doomed = std::make_unique<Inet>();
    doomed->Execute(http("/" + prefix + "big.bin"), "GET");
    doomed->GetChunk(1024);
    doomed.reset();
}
