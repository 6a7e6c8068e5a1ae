// fixtures: ftp
// The transport against vsftpd and the scripted server: connection failures and their codes,
// the session's moves on odd replies, files left untouched by a failed transfer, and the bytes
// of a large binary round trip. Listing, the transfer type on the wire and a refused STOR are
// checked through the FTP class.
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpSession.h"
#include "platform/ftp/FtpThreadStatus.h"
#include "platform/sys/Cancel.h"
#include "support/ScriptedFtp.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>

using namespace kvr::ftpnet;
using kvr::test::ScriptedFtp;
using kvr::test::TempDir;

namespace {

std::unique_ptr<FtpConnection> connect_to(const std::string& host,
                                          std::optional<std::string> user = "u",
                                          std::optional<std::string> password = "p") {
    static auto session = FtpSession::open("test");
    return FtpConnection::connect(*session, host, user, password);
}

} // namespace

TEST(FtpConnection, ConnectionFailuresHaveTheirCodes) {
    setenv("KVR_FTP_TIMEOUT", "1", 1);
    struct Row {
        const char* name;
        std::string scenario; // empty: no server
        std::string host;
        std::uint32_t error;
        std::string reply;
    };
    std::vector<Row> rows = {
        {"nothing listens", "", "127.0.0.1:" + std::to_string(ScriptedFtp("{}").port()), 12029, ""},
        {"greeting never comes", R"({"greeting": null})", "", 12002, ""},
        // A refusal's reply is kept whole (multi-line replies: through the FTP class).
        {"refused greeting", R"({"greeting": "421 Too many users."})", "", 12003,
         "421 Too many users.\r\n"},
        {"absurd reply", R"({"user": "331-)" + std::string(70000, 'x') + R"("})", "", 12152, ""},
    };
    for (auto& r : rows) {
        std::unique_ptr<ScriptedFtp> server;
        if (!r.scenario.empty()) {
            server = std::make_unique<ScriptedFtp>(r.scenario);
            r.host = server->host();
        }
        set_last_response("");
        auto c = connect_to(r.host);
        EXPECT_EQ(c, nullptr) << r.name;
        EXPECT_EQ(last_error(), r.error) << r.name;
        if (!r.reply.empty()) {
            EXPECT_EQ(last_response_info(), r.reply) << r.name;
        }
    }
    unsetenv("KVR_FTP_TIMEOUT");
}

// A host's request to stop ends a wait on a silent server at once, as a cancelled operation.
TEST(FtpConnection, AStopEndsTheWaitWithTheCancelCode) {
    ScriptedFtp server(R"({"greeting": null})");
    const auto start = std::chrono::steady_clock::now();
    const kvr::sys::CancelScope stop([start] {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(200);
    });
    EXPECT_EQ(connect_to(server.host()), nullptr);
    EXPECT_EQ(last_error(), static_cast<std::uint32_t>(kvr::code::OperationCancelled));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// Replies vsftpd does not send, each through a whole session: a preliminary greeting is
// waited past, a USER answered 230 needs no PASS, a transfer opened by 125 carries its data,
// a refusal fails its own call only and the session takes the next command.
TEST(FtpConnection, RepliesMoveTheSessionAsTheyShould) {
    TempDir tmp;
    const std::string local = tmp.str() + "/f";
    kvr::test::write_file(local, "x");
    using Call = std::function<bool(FtpConnection&)>;
    const Call put = [&](FtpConnection& c) { return c.put_file(local, "g", TransferType::Binary); };
    const Call rename = [](FtpConnection& c) { return c.rename_file("f", "g"); };
    const Call remove = [](FtpConnection& c) { return c.delete_file("f"); };
    struct Row {
        const char* name;
        std::string scenario;
        bool connects;
        Call call; // empty: connecting is the case
        bool succeeds;
        const char* never_sent;
    };
    const std::string file = R"("files": {"f": "x"})";
    const Row rows[] = {
        {"greeting after 120", R"({"greeting": "120 Soon.\n220 Ready."})", true, {}, true, ""},
        {"USER answered 230", R"({"user": "230 Welcome."})", true, {}, true, "PASS"},
        {"USER refused", R"({"user": "530 Not you."})", false, {}, false, "PASS"},
        {"PASS answered 332", R"({"pass": "332 Need account."})", false, {}, false, "TYPE"},
        {"STOR opened by 125", R"({"opening": "125 Already open."})", true, put, true, ""},
        {"RNTO refused", "{" + file + R"(, "replies": {"RNTO": "553 No."}})", true, rename, false,
         ""},
        {"DELE answered 200", "{" + file + R"(, "replies": {"DELE": "200 Fine."}})", true, remove,
         false, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ScriptedFtp server(r.scenario);
        auto c = connect_to(server.host());
        ASSERT_EQ(c != nullptr, r.connects);
        if (c && r.call) {
            EXPECT_EQ(r.call(*c), r.succeeds);
        }
        if (!r.succeeds) {
            EXPECT_EQ(last_error(), 12003u);
        }
        if (c) {
            EXPECT_TRUE(c->set_current_directory("/")) << "the session is ready again";
        }
        c.reset();
        for (const auto& line : server.transcript()) {
            if (*r.never_sent) {
                EXPECT_NE(line.rfind(r.never_sent, 0), 0u) << line;
            }
        }
    }
}

TEST(FtpConnection, FailedTransfersLeaveTheLocalFileAsItWas) {
    setenv("KVR_FTP_TIMEOUT", "1", 1);
    struct Row {
        const char* name;
        std::string scenario;
        std::uint32_t error;
    };
    const Row rows[] = {
        {"refused RETR", R"({})", 12003},
        {"connection dropped mid-transfer",
         R"({"files": {"f": "0123456789"}, "drop_on": "RETR", "drop_after": 4})", 12030},
        {"stalled RETR", R"({"files": {"f": "0123456789"}, "stall_on": "RETR"})", 12002},
    };
    for (const auto& r : rows) {
        ScriptedFtp server(r.scenario);
        TempDir tmp;
        auto local = tmp.path() / "keep.txt";
        kvr::test::write_file(local, "precious");
        auto c = connect_to(server.host());
        ASSERT_NE(c, nullptr) << r.name;
        EXPECT_FALSE(c->get_file("f", local.string(), TransferType::Binary)) << r.name;
        EXPECT_EQ(last_error(), r.error) << r.name;
        EXPECT_EQ(kvr::test::read_file(local), "precious") << r.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()),
                                std::filesystem::directory_iterator()),
                  1)
            << r.name << ": no partial file stays behind";
    }
    unsetenv("KVR_FTP_TIMEOUT");
}

TEST(FtpConnection, LargeBinaryRoundTripThroughVsftpd) {
    auto env = kvr::test::server_env("ftp");
    ASSERT_FALSE(env.empty()) << "vsftpd fixture not running";
    TempDir tmp;
    std::string bytes(64 * 1024 * 1024, '\0');
    std::independent_bits_engine<std::mt19937, 8, unsigned> rng(42);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(rng()); });
    kvr::test::write_file(tmp.path() / "up.bin", bytes);
    auto c = connect_to("127.0.0.1:" + env.at("KVR_FTP_PORT"), env.at("KVR_FTP_USER"),
                        env.at("KVR_FTP_PASSWORD"));
    ASSERT_NE(c, nullptr) << last_response_info();
    ASSERT_TRUE(
        c->put_file((tmp.path() / "up.bin").string(), "roundtrip.bin", TransferType::Binary));
    ASSERT_TRUE(
        c->get_file("roundtrip.bin", (tmp.path() / "down.bin").string(), TransferType::Binary));
    EXPECT_TRUE(kvr::test::read_file(env.at("KVR_FTP_HOME") + "/roundtrip.bin") == bytes);
    EXPECT_TRUE(kvr::test::read_file(tmp.path() / "down.bin") == bytes);
    EXPECT_TRUE(c->delete_file("roundtrip.bin"));
}
