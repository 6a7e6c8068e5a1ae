// fixtures: ftp
// The transport against peers that misbehave on purpose: another host on the data port, texts
// that would smuggle a second command, servers that never finish a reply or trickle data, and
// a passive reply that names a foreign address. 127.0.0.2 stands in for the foreign host.
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/FtpSession.h"
#include "platform/ftp/FtpThreadStatus.h"
#include "support/ScriptedFtp.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>

using namespace kvr::ftpnet;
using kvr::test::ScriptedFtp;
using kvr::test::TempDir;

namespace {

std::unique_ptr<FtpConnection> connect_to(const std::string& host, std::string user = "u",
                                          std::string password = "p") {
    static auto session = FtpSession::open("test");
    return FtpConnection::connect(*session, host, user, password);
}

// Sets environment variables for one scope.
struct Env {
    std::vector<std::string> names;
    Env(std::initializer_list<std::pair<const char*, const char*>> vars) {
        for (auto [k, v] : vars) {
            setenv(k, v, 1);
            names.emplace_back(k);
        }
    }
    ~Env() {
        for (auto& n : names)
            unsetenv(n.c_str());
    }
};

bool has_line(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

const char* kFiles = R"("files": {"f": "real\r\n", "g": "x"})";

} // namespace

TEST(FtpHostilePeer, DataConnectionIsTakenOnlyFromTheServer) {
    Env env{{"KVR_FTP_TIMEOUT", "2"}};
    struct Row {
        const char* name;
        std::string foreign; // "first" or "only"
        const char* op;
        bool ok;
        std::uint32_t error;
        std::string local; // the local file afterwards
    };
    const Row rows[] = {
        {"download, stranger first", "first", "get", true, 0, "real\r\n"},
        {"download, only a stranger", "only", "get", false, 12002, "precious"},
        {"listing, stranger first", "first", "list", true, 0, "precious"},
        {"upload, stranger first", "first", "put", true, 0, "precious"},
    };
    for (const auto& r : rows) {
        ScriptedFtp server("{" + std::string(kFiles) + R"(, "foreign_data": ")" + r.foreign +
                           "\"}");
        TempDir tmp;
        const std::string local = tmp.str() + "/local.txt";
        kvr::test::write_file(local, "precious");
        auto c = connect_to(server.host());
        ASSERT_NE(c, nullptr) << r.name;
        bool ok = false;
        std::string first;
        if (std::string(r.op) == "get")
            ok = c->get_file("f", local, TransferType::Binary);
        else if (std::string(r.op) == "put")
            ok = c->put_file(local, "up.txt", TransferType::Binary);
        else
            ok = c->find_first("*", first) != nullptr;
        EXPECT_EQ(ok, r.ok) << r.name;
        EXPECT_EQ(last_error(), r.error) << r.name;
        EXPECT_EQ(kvr::test::read_file(local), r.local) << r.name;
        if (std::string(r.op) == "list") {
            EXPECT_EQ(first, "f") << r.name << ": no name from the stranger";
        }
        if (r.ok) {
            EXPECT_TRUE(has_line(server.transcript(), "FOREIGN 0")) << r.name;
        }
    }
}

TEST(FtpHostilePeer, LineBreaksAndNulNeverReachTheServer) {
    using Call = std::function<bool(FtpConnection&, const std::string&)>;
    struct Row {
        const char* name;
        Call call;
    };
    const std::string local = TempDir().str() + "/x";
    const Row rows[] = {
        {"delete", [](FtpConnection& c, const std::string& t) { return c.delete_file(t); }},
        {"rename from",
         [](FtpConnection& c, const std::string& t) { return c.rename_file(t, "new"); }},
        {"rename to", [](FtpConnection& c, const std::string& t) { return c.rename_file("g", t); }},
        {"directory",
         [](FtpConnection& c, const std::string& t) { return c.set_current_directory(t); }},
        {"listing",
         [](FtpConnection& c, const std::string& t) {
             std::string first;
             return c.find_first(t + "/*", first) != nullptr;
         }},
        {"download",
         [&](FtpConnection& c, const std::string& t) {
             return c.get_file(t, local, TransferType::Binary);
         }},
        {"upload",
         [](FtpConnection& c, const std::string& t) {
             return c.put_file("/etc/hostname", t, TransferType::Binary);
         }},
    };
    const std::string bad[] = {"g\r\nDELE important.txt", "g\nDELE important.txt",
                               std::string("g\0DELE x", 8)};
    for (const auto& r : rows) {
        for (const auto& text : bad) {
            ScriptedFtp server("{" + std::string(kFiles) + "}");
            auto c = connect_to(server.host());
            ASSERT_NE(c, nullptr);
            EXPECT_FALSE(r.call(*c, text)) << r.name;
            EXPECT_EQ(last_error(), 87u) << r.name;
            c.reset();
            EXPECT_EQ(server.transcript(), (std::vector<std::string>{"USER u", "PASS p", "QUIT"}))
                << r.name << ": nothing was sent";
        }
    }
    for (auto [user, password] : {std::pair{"u\r\nDELE g", "p"}, std::pair{"u", "p\nDELE g"}}) {
        ScriptedFtp server("{}");
        EXPECT_EQ(connect_to(server.host(), user, password), nullptr);
        EXPECT_EQ(last_error(), 87u);
        EXPECT_TRUE(server.transcript().empty()) << user;
    }
}

TEST(FtpHostilePeer, EveryWaitEnds) {
    Env env{{"KVR_FTP_TIMEOUT", "2"}, {"KVR_FTP_LOW_SPEED_TIME", "1"}};
    struct Row {
        const char* name;
        std::string scenario;
        bool login_fails;
        std::uint32_t error;
    };
    const Row rows[] = {
        {"greeting flooded with 120", R"({"flood_on": "greeting"})", true, 12002},
        {"multi-line reply dripped",
         R"({"flood_on": "USER", "flood": "331-still talking", "flood_every": 0.2})", true, 12002},
        {"multi-line reply of too many lines",
         R"({"flood_on": "USER", "flood": "331-line", "flood_every": 0})", true, 12152},
        {"data trickled", R"({"files": {"f": ")" + std::string(40, 'a') + R"("}, "trickle": 0.1})",
         false, 12002},
    };
    for (const auto& r : rows) {
        ScriptedFtp server(r.scenario);
        TempDir tmp;
        const std::string local = tmp.str() + "/keep";
        kvr::test::write_file(local, "precious");
        const auto start = std::chrono::steady_clock::now();
        auto c = connect_to(server.host());
        if (r.login_fails) {
            EXPECT_EQ(c, nullptr) << r.name;
        } else {
            ASSERT_NE(c, nullptr) << r.name;
            EXPECT_FALSE(c->get_file("f", local, TransferType::Binary)) << r.name;
            EXPECT_EQ(kvr::test::read_file(local), "precious") << r.name;
        }
        EXPECT_EQ(last_error(), r.error) << r.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6)) << r.name;
    }
}

TEST(FtpHostilePeer, PassiveDataGoesToTheControlPeer) {
    Env env{{"KVRUPLOAD_FTP_PASSIVE", "1"}, {"KVR_FTP_TIMEOUT", "2"}};
    ScriptedFtp server("{" + std::string(kFiles) +
                       R"(, "pasv_host": "127.0.0.2", "pasv_decoy": true})");
    TempDir tmp;
    auto c = connect_to(server.host());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(c->get_file("f", tmp.str() + "/f", TransferType::Binary)) << last_error();
    EXPECT_EQ(kvr::test::read_file(tmp.path() / "f"), "real\r\n");
    c.reset();
    auto t = server.transcript();
    EXPECT_TRUE(has_line(t, "PASV"));
    EXPECT_FALSE(has_line(t, "PORT"));
    EXPECT_FALSE(has_line(t, "DECOY"));
}

TEST(FtpHostilePeer, BothModesOverIpv6) {
    for (const char* passive : {"0", "1"}) {
        Env mode{{"KVRUPLOAD_FTP_PASSIVE", passive}, {"KVR_FTP_TIMEOUT", "2"}};
        ScriptedFtp server("{" + std::string(kFiles) + R"(, "ipv6": true})");
        TempDir tmp;
        auto c = connect_to("[::1]:" + std::to_string(server.port()));
        ASSERT_NE(c, nullptr) << passive;
        ASSERT_TRUE(c->get_file("f", tmp.str() + "/f", TransferType::Binary)) << last_error();
        EXPECT_EQ(kvr::test::read_file(tmp.path() / "f"), "real\r\n");
        c.reset();
        EXPECT_TRUE(has_line(server.transcript(), *passive == '1' ? "EPSV" : "EPRT")) << passive;
    }
}

TEST(FtpHostilePeer, VsftpdInBothModes) {
    auto env = kvr::test::server_env("ftp");
    ASSERT_FALSE(env.empty()) << "vsftpd fixture not running";
    const std::string bytes(3 * 1024 * 1024 + 7, 'k');
    for (const char* passive : {"0", "1"}) {
        Env mode{{"KVRUPLOAD_FTP_PASSIVE", passive}};
        TempDir tmp;
        kvr::test::write_file(tmp.path() / "up.bin", bytes);
        auto c = connect_to("127.0.0.1:" + env.at("KVR_FTP_PORT"), env.at("KVR_FTP_USER"),
                            env.at("KVR_FTP_PASSWORD"));
        ASSERT_NE(c, nullptr) << last_response_info();
        const std::string name = std::string("modes-") + passive + ".bin";
        ASSERT_TRUE(c->put_file((tmp.path() / "up.bin").string(), name, TransferType::Binary))
            << passive;
        ASSERT_TRUE(c->get_file(name, (tmp.path() / "down.bin").string(), TransferType::Binary))
            << passive;
        std::string first;
        EXPECT_NE(c->find_first(name, first), nullptr) << passive;
        EXPECT_EQ(first, name);
        EXPECT_TRUE(kvr::test::read_file(tmp.path() / "down.bin") == bytes) << passive;
        EXPECT_TRUE(c->delete_file(name));
    }
}
