// Request preparation, the transfer methods' handling of a failed preparation and of the
// server-environment component, the FTP factory and the control's end. No server is
// needed: a transfer with no URL fails inside the window at once.
#include "control/ctlKVRUpload.h"

#include "ComponentDoubles.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/inet/Inet.h"
#include "platform/ui/DefaultInstance.h"
#include "transfer/frmKVRProgress.h"

#include <gtest/gtest.h>

namespace kvr {
namespace {

using Janela = ui::DefaultInstance<frmKVRProgress>;

struct Prepared {
    int protocol;
    std::int16_t port;
    std::string proxy;
    std::string user;
    std::string password;
};

struct PreparationCase {
    const char* name;
    std::vector<std::pair<const char*, Variant>> puts;
    const char* status;  // element 0
    const char* message; // element 1
    Prepared inet;       // what Inet1 and the window hold afterwards
    const char* exibir;  // the window's ExibirProgresso afterwards
    const char* fechar;  // the window's FecharProgresso afterwards
};

class PreparationTest : public ::testing::Test {
  protected:
    void SetUp() override { Janela::unload(); }
    void TearDown() override { Janela::unload(); }
};

TEST_F(PreparationTest, SettingsReachTheWindowAndItsTransferControl) {
    const char* ok = "Parâmetros processados com Sucesso.";
    // Before each case the window holds: proxy "antigo", user "anterior", password "velha",
    // flags "antes"; what a case does not set must stay so.
    const std::vector<PreparationCase> rows{
        {"fresh control", {}, "1", ok, {4, 80, "antigo", "anterior", "velha"}, "", ""},
        {"https lower case",
         {{"Protocol", Variant("https")}},
         "1",
         ok,
         {5, 80, "antigo", "anterior", "velha"},
         "",
         ""},
        {"HTTPS with a trailing blank is plain HTTP",
         {{"Protocol", Variant("HTTPS ")}},
         "1",
         ok,
         {4, 80, "antigo", "anterior", "velha"},
         "",
         ""},
        {"unknown protocol",
         {{"Protocol", Variant("ftp")}},
         "1",
         ok,
         {4, 80, "antigo", "anterior", "velha"},
         "",
         ""},
        {"port as text",
         {{"RemotePort", Variant("8080")}},
         "1",
         ok,
         {4, 8080, "antigo", "anterior", "velha"},
         "",
         ""},
        {"port as number",
         {{"RemotePort", Variant(std::int32_t{443})}},
         "1",
         ok,
         {4, 443, "antigo", "anterior", "velha"},
         "",
         ""},
        {"fraction rounds half to even",
         {{"RemotePort", Variant(8080.5)}},
         "1",
         ok,
         {4, 8080, "antigo", "anterior", "velha"},
         "",
         ""},
        {"fraction rounds half to even, upwards",
         {{"RemotePort", Variant("8081.5")}},
         "1",
         ok,
         {4, 8082, "antigo", "anterior", "velha"},
         "",
         ""},
        {"lowest 16-bit port",
         {{"RemotePort", Variant(std::int32_t{-32768})}},
         "1",
         ok,
         {4, -32768, "antigo", "anterior", "velha"},
         "",
         ""},
        {"proxy, credentials and flags",
         {{"ProxyAddress", Variant("127.0.0.1:3128")},
          {"UserName", Variant(" ana ")},
          {"Password", Variant("segredo")},
          {"ExibirProgresso", Variant("sim")},
          {"FecharProgresso", Variant("nao")}},
         "1",
         ok,
         {4, 80, "127.0.0.1:3128", " ana ", "segredo"},
         "SIM",
         "NAO"},
        {"port not a number",
         {{"RemotePort", Variant("porta")}, {"ExibirProgresso", Variant("SIM")}},
         "0",
         "13 - Type mismatch",
         {4, 80, "antigo", "anterior", "velha"},
         "antes",
         "antes"},
        {"port out of range, later steps still run",
         {{"RemotePort", Variant(std::int32_t{40000})},
          {"UserName", Variant("ana")},
          {"FecharProgresso", Variant("SIM")}},
         "0",
         "6 - Overflow",
         {4, 80, "antigo", "ana", "velha"},
         "antes",
         "antes"},
        {"Null user name cannot be read as text",
         {{"UserName", Variant::null()}, {"Protocol", Variant("https")}},
         "0",
         "94 - Invalid use of Null",
         {5, 80, "antigo", "anterior", "velha"},
         "antes",
         "antes"},
        {"Null port and proxy count as not given",
         {{"RemotePort", Variant::null()}, {"ProxyAddress", Variant::null()}},
         "1",
         ok,
         {4, 80, "antigo", "anterior", "velha"},
         "",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Janela::unload();
        frmKVRProgress& frm = Janela::get();
        frm.Inet1().set_Proxy("antigo");
        frm.Inet1().set_RemotePort(80);
        frm.Inet1().set_AccessType(inet::icNamedProxy);
        frm.UserName = "anterior";
        frm.Password = "velha";
        frm.ExibirProgresso = frm.FecharProgresso = "antes";

        ctlKVRUpload ctl;
        for (const auto& [property, value] : row.puts)
            ctl.put(property, value);
        Variant status = ctl.ProcessarParametros();

        ASSERT_TRUE(status.is_array());
        ASSERT_EQ(status.ubound(), 1);
        EXPECT_EQ(status.as_array()[0], Variant(row.status));
        EXPECT_EQ(status.as_array()[1], Variant(row.message));
        EXPECT_EQ(frm.Inet1().Protocol(), row.inet.protocol);
        EXPECT_EQ(frm.Inet1().AccessType(), inet::icUseDefault);
        EXPECT_EQ(frm.Inet1().RemotePort(), row.inet.port);
        EXPECT_EQ(frm.Inet1().Proxy(), row.inet.proxy);
        EXPECT_EQ(frm.UserName, row.inet.user);
        EXPECT_EQ(frm.Password, row.inet.password);
        EXPECT_EQ(frm.ExibirProgresso, row.exibir);
        EXPECT_EQ(frm.FecharProgresso, row.fechar);
    }
}

class TransferMethodTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Janela::unload();
        test::CountingServidor::reset();
        m_servidor.replace([] { return std::make_shared<test::CountingServidor>(); });
    }
    void TearDown() override { Janela::unload(); }

    test::RegistrationGuard m_servidor{"RXTServidorAsp.clsServidor"};
};

TEST_F(TransferMethodTest, FailedPreparationTurnsProgressOffAndKeepsTheWindow) {
    for (const char* method : {"Download", "UpLoad"}) {
        SCOPED_TRACE(method);
        Janela::unload();
        auto ctl = CreateObject("KVRUpload.ctlKVRUpload");
        ctl->put("ExibirProgresso", Variant("SIM"));
        ctl->put("UserName", Variant("ana"));
        ctl->put("RemotePort", Variant("porta"));
        Variant r = ctl->call(method, {Variant("http://127.0.0.1:1/a.txt"), Variant("a.txt")});
        EXPECT_EQ(r, Variant::array({Variant("0"), Variant("13 - Type mismatch")}));
        EXPECT_EQ(ctl->get("ExibirProgresso"), Variant("NAO"));
        // The window stays loaded with what the preparation wrote into it.
        ASSERT_TRUE(Janela::exists());
        EXPECT_EQ(Janela::get().UserName, "ana");
        EXPECT_EQ(test::CountingServidor::created, 0);
    }
}

TEST_F(TransferMethodTest, ServerEnvironmentCreatedOnceAndReleasedOnceAtTheEnd) {
    {
        auto ctl = std::make_shared<ctlKVRUpload>();
        for (const char* method : {"Download", "UpLoad", "Download"}) {
            Variant r = ctl->call(method, {Variant("")});
            ASSERT_TRUE(r.is_array()) << method;
            EXPECT_EQ(r.as_array()[0], Variant("0")) << method;
            // Each completed request unloads the window.
            EXPECT_FALSE(Janela::exists()) << method;
        }
        EXPECT_TRUE(ctl->holds_server_environment());
        EXPECT_EQ(test::CountingServidor::created, 1);
        EXPECT_EQ(test::CountingServidor::released, 0);
    }
    EXPECT_EQ(test::CountingServidor::released, 1);

    { ctlKVRUpload never_transferred; }
    EXPECT_EQ(test::CountingServidor::created, 1);
    EXPECT_EQ(test::CountingServidor::released, 1);
}

TEST_F(TransferMethodTest, MissingServerEnvironmentIsTriedAgainByTheNextRequest) {
    m_servidor.remove();
    ctlKVRUpload ctl;
    Variant r = ctl.Download(Variant(""));
    ASSERT_TRUE(r.is_array());
    EXPECT_FALSE(ctl.holds_server_environment());

    m_servidor.replace([] { return std::make_shared<test::CountingServidor>(); });
    ctl.UpLoad(Variant(""));
    EXPECT_TRUE(ctl.holds_server_environment());
    EXPECT_EQ(test::CountingServidor::created, 1);
}

TEST(ctlKVRUploadFtpFactory, EveryCallGivesANewIndependentObject) {
    auto ctl = CreateObject("KVRUpload.ctlKVRUpload");
    Variant a = ctl->call("CreateObjectFtp", {});
    Variant b = ctl->call("CreateObjectFtp", {});
    ASSERT_TRUE(a.is_object());
    ASSERT_TRUE(b.is_object());
    EXPECT_NE(a.as_object(), b.as_object());
    EXPECT_EQ(a.as_object()->type_name(), "clsKVRUpload");
    a.as_object()->put("Host", Variant("127.0.0.1"));
    EXPECT_EQ(a.as_object()->get("Host"), Variant("127.0.0.1"));
    EXPECT_EQ(b.as_object()->get("Host"), Variant(""));
    EXPECT_EQ(b.as_object()->get("Connected"), Variant(false));
    // The control keeps no reference: the host's is the only one.
    std::weak_ptr<Object> held = a.as_object();
    a = Variant();
    EXPECT_TRUE(held.expired());
}

TEST(ctlKVRUploadFtpFactory, InitialisationFailureReachesTheCaller) {
    test::RegistrationGuard ftp("KVRUpload.clsKVRUpload");
    ftp.replace([]() -> std::shared_ptr<Object> {
        throw ComError(kObjectError + 2009, "clsKVRUpload::Class_Initialize",
                       "Não é possível estabelecer uma conexão com o WinInet.dll.");
    });
    auto ctl = CreateObject("KVRUpload.ctlKVRUpload");
    try {
        ctl->call("CreateObjectFtp", {});
        ADD_FAILURE() << "no error";
    } catch (const ComError& e) {
        EXPECT_EQ(e.number(), kObjectError + 2009);
        EXPECT_EQ(e.description(), "Não é possível estabelecer uma conexão com o WinInet.dll.");
    }
}

} // namespace
} // namespace kvr
