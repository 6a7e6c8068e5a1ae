// fixtures: ftp
// The transport against vsftpd and the scripted server (127.0.0.2 stands in for a foreign host).
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpSession.h"
#include "platform/ftp/FtpThreadStatus.h"
#include "platform/sys/Cancel.h"
#include "support/ScriptedFtp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iterator>
#include <optional>
#include <random>

using namespace kvr::ftpnet;
using namespace kvr::test;
using Clock = std::chrono::steady_clock;

namespace {

std::unique_ptr<FtpConnection> connect_to(const std::string& host, std::string user = "u",
                                          std::string password = "p") {
    static auto session = FtpSession::open("test");
    return FtpConnection::connect(*session, host, user, password);
}

const std::string kFiles = R"("files": {"f": "real\r\n", "g": "x"})";

} // namespace

// Every wait ends with its code, a host's stop at once; a text that would smuggle a second
// command sends nothing.
TEST(FtpConnection, ConnectionFailuresHaveTheirCodes) {
    const ScopedEnv env{{"KVR_FTP_TIMEOUT", "2"}, {"KVR_FTP_LOW_SPEED_TIME", "1"}};
    struct Row {
        const char* name;
        std::optional<std::string> scenario; // nullopt: nothing listens
        std::uint32_t error;
        std::string reply = "", user = "u", password = "p";
        bool stop = false;
    };
    const Row rows[] = {
        {"nothing listens", std::nullopt, 12029},
        {"greeting never comes", R"({"greeting": null})", 12002},
        {"stop asked while the greeting is awaited", R"({"greeting": null})",
         static_cast<std::uint32_t>(kvr::code::OperationCancelled), "", "u", "p", true},
        // A refusal's reply is kept whole, every line of it.
        {"refused greeting", R"({"greeting": "421-Too many users.\n421 Bye."})", 12003,
         "421-Too many users.\r\n421 Bye.\r\n"},
        {"greeting flooded with 120", R"({"flood_on": "greeting"})", 12002},
        {"multi-line reply dripped",
         R"({"flood_on": "USER", "flood": "331-still talking", "flood_every": 0.2})", 12002},
        {"multi-line reply of too many lines",
         R"({"flood_on": "USER", "flood": "331-line", "flood_every": 0})", 12152},
        {"line break in the user", "{}", 87, "", "u\r\nDELE g"},
        {"line break in the password", "{}", 87, "", "u", "p\nDELE g"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        std::optional<ScriptedFtp> server;
        std::string host = server.emplace(r.scenario.value_or("{}")).host();
        if (!r.scenario)
            server.reset();
        set_last_response("");
        const auto start = Clock::now();
        const kvr::sys::CancelScope stop(
            [&] { return r.stop && Clock::now() - start > std::chrono::milliseconds(200); });
        EXPECT_EQ(connect_to(host, r.user, r.password), nullptr);
        EXPECT_EQ(last_error(), r.error);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(r.stop ? 1 : 6));
        if (!r.reply.empty()) {
            EXPECT_EQ(last_response_info(), r.reply);
        }
        if (r.error == 87) {
            EXPECT_TRUE(server->transcript().empty());
        }
    }
}

// Replies vsftpd does not send, each through a whole session: a refusal fails its own call
// only and the session takes the next command.
TEST(FtpConnection, RepliesMoveTheSessionAsTheyShould) {
    TempDir tmp;
    const std::string local = tmp.str() + "/f";
    write_file(local, "x");
    using Call = std::function<bool(FtpConnection&)>;
    const Call put = [&](FtpConnection& c) { return c.put_file(local, "g", TransferType::Binary); };
    const Call rename = [](FtpConnection& c) { return c.rename_file("f", "g"); };
    const Call remove = [](FtpConnection& c) { return c.delete_file("f"); };
    struct Row {
        const char* name;
        std::string scenario;
        Call call; // empty: connecting is the case
        bool succeeds;
        const char* never_sent;
    };
    const Row rows[] = {
        {"greeting after 120", R"({"greeting": "120 Soon.\n220 Ready."})", {}, true, ""},
        {"USER answered 230", R"({"user": "230 Welcome."})", {}, true, "PASS"},
        {"USER refused", R"({"user": "530 Not you."})", {}, false, "PASS"},
        {"PASS answered 332", R"({"pass": "332 Need account."})", {}, false, "TYPE"},
        {"STOR opened by 125", R"({"opening": "125 Already open."})", put, true, ""},
        {"RNTO refused", "{" + kFiles + R"(, "replies": {"RNTO": "553 No."}})", rename, false, ""},
        {"DELE answered 200", "{" + kFiles + R"(, "replies": {"DELE": "200 Fine."}})", remove,
         false, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ScriptedFtp server(r.scenario);
        auto c = connect_to(server.host());
        ASSERT_EQ(c != nullptr, r.call || r.succeeds);
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
        if (*r.never_sent) {
            EXPECT_TRUE(server.sent(r.never_sent).empty());
        }
    }
}

// A failed download leaves the local file as it was and nothing beside it, and ends in time.
TEST(FtpConnection, FailedDownloadsLeaveTheLocalFileAsItWas) {
    const ScopedEnv env{{"KVR_FTP_TIMEOUT", "2"}, {"KVR_FTP_LOW_SPEED_TIME", "1"}};
    // Dropped mid-transfer, stalled, trickled, only a stranger on the data port.
    const std::pair<std::string, std::uint32_t> rows[] = {
        {R"({"files": {"f": "0123456789"}, "drop_on": "RETR", "drop_after": 4})", 12030},
        {R"({"files": {"f": "0123456789"}, "stall_on": "RETR"})", 12002},
        {R"({"files": {"f": ")" + std::string(40, 'a') + R"("}, "trickle": 0.1})", 12002},
        {"{" + kFiles + R"(, "foreign_data": "only"})", 12002},
    };
    for (const auto& [scenario, error] : rows) {
        SCOPED_TRACE(scenario);
        ScriptedFtp server(scenario);
        TempDir tmp;
        const auto local = tmp.path() / "keep.txt";
        write_file(local, "precious");
        auto c = connect_to(server.host());
        ASSERT_NE(c, nullptr);
        const auto start = Clock::now();
        EXPECT_FALSE(c->get_file("f", local.string(), TransferType::Binary));
        EXPECT_EQ(last_error(), error);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(6));
        EXPECT_EQ(read_file(local), "precious");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 1)
            << "no partial file stays behind";
    }
}

// Each call checks its texts before it sends any of its commands.
TEST(FtpConnection, LineBreaksAndNulNeverReachTheServer) {
    const std::string local = TempDir().str() + "/x";
    const std::function<bool(FtpConnection&, const std::string&)> calls[] = {
        [](auto& c, auto& t) { return c.delete_file(t); },
        [](auto& c, auto& t) { return c.rename_file(t, "new"); },
        [](auto& c, auto& t) { return c.rename_file("g", t); },
        [](auto& c, auto& t) { return c.set_current_directory(t); },
        [](auto& c, auto& t) {
            std::string first;
            return c.find_first(t + "/*", first) != nullptr;
        },
        [&](auto& c, auto& t) { return c.get_file(t, local, TransferType::Binary); },
        [](auto& c, auto& t) { return c.put_file("/etc/hostname", t, TransferType::Binary); },
    };
    const std::string bad[] = {"g\rDELE x", "g\nDELE x", std::string("g\0DELE x", 8)};
    for (std::size_t i = 0; i < std::size(calls); ++i) {
        SCOPED_TRACE(i);
        ScriptedFtp server("{" + kFiles + "}");
        auto c = connect_to(server.host());
        ASSERT_NE(c, nullptr);
        for (const auto& text : bad) {
            EXPECT_FALSE(calls[i](*c, text));
            EXPECT_EQ(last_error(), 87u);
        }
        c.reset();
        EXPECT_EQ(server.transcript(), (std::vector<std::string>{"USER u", "PASS p", "QUIT"}));
    }
}

// The data channel as each mode opens it: a passive reply naming another host is not
// followed (the data goes to the control peer), a stranger that reaches the data port first is
// turned away (every transfer takes its data connection the same way), and over IPv6 the
// extended commands are used.
TEST(FtpConnection, DataChannelOfEachMode) {
    const struct {
        const char* passive;
        std::string scenario;
        bool ipv6;
        const char *used, *never;
    } rows[] = {
        {"1", R"(, "pasv_host": "127.0.0.2", "pasv_decoy": true)", false, "PASV", "DECOY"},
        {"0", R"(, "foreign_data": "first")", false, "FOREIGN 0", "PASV"},
        {"0", R"(, "ipv6": true)", true, "EPRT", "PORT"},
        {"1", R"(, "ipv6": true)", true, "EPSV", "PASV"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.used);
        const ScopedEnv env{{"KVRUPLOAD_FTP_PASSIVE", r.passive}, {"KVR_FTP_TIMEOUT", "2"}};
        ScriptedFtp server("{" + kFiles + r.scenario + "}");
        TempDir tmp;
        auto c = connect_to(r.ipv6 ? "[::1]:" + std::to_string(server.port()) : server.host());
        ASSERT_NE(c, nullptr);
        ASSERT_TRUE(c->get_file("f", tmp.str() + "/f", TransferType::Binary)) << last_error();
        EXPECT_EQ(read_file(tmp.path() / "f"), "real\r\n");
        c.reset();
        EXPECT_FALSE(server.sent(r.used).empty());
        EXPECT_TRUE(server.sent(r.never).empty());
    }
}

// Random bytes through vsftpd in both modes: stored, fetched and listed whole.
TEST(FtpConnection, BinaryRoundTripThroughVsftpdInBothModes) {
    auto env = server_env("ftp");
    ASSERT_FALSE(env.empty()) << "vsftpd fixture not running";
    std::string bytes(16 * 1024 * 1024 + 7, '\0');
    std::independent_bits_engine<std::mt19937, 8, unsigned> rng(42);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(rng()); });
    TempDir tmp;
    write_file(tmp.path() / "up.bin", bytes);
    for (const char* passive : {"0", "1"}) {
        SCOPED_TRACE(passive);
        const ScopedEnv mode{{"KVRUPLOAD_FTP_PASSIVE", passive}};
        auto c = connect_to("127.0.0.1:" + env.at("KVR_FTP_PORT"), env.at("KVR_FTP_USER"),
                            env.at("KVR_FTP_PASSWORD"));
        ASSERT_NE(c, nullptr) << last_response_info();
        const std::string name = std::string("modes-") + passive + ".bin";
        ASSERT_TRUE(c->put_file((tmp.path() / "up.bin").string(), name, TransferType::Binary));
        ASSERT_TRUE(c->get_file(name, (tmp.path() / "down.bin").string(), TransferType::Binary));
        std::string first;
        EXPECT_NE(c->find_first(name, first), nullptr);
        EXPECT_EQ(first, name);
        EXPECT_TRUE(read_file(env.at("KVR_FTP_HOME") + "/" + name) == bytes);
        EXPECT_TRUE(read_file(tmp.path() / "down.bin") == bytes);
        EXPECT_TRUE(c->delete_file(name));
    }
}
