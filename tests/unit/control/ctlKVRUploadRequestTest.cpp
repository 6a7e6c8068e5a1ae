// Request preparation, the transfer methods' handling of a failed preparation and of the
// server-environment component, the FTP factory and the control's end. No server is
// needed: a transfer with no URL fails inside the window at once.
#include "control/ctlKVRUpload.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"
#include "platform/inet/Inet.h"
#include "platform/ui/DefaultInstance.h"
#include "support/RaisedNumber.h"
#include "support/Registration.h"
#include "support/TestSupport.h"
#include "support/VariantPrint.h"
#include "transfer/frmKVRProgress.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace kvr {

namespace {

// A server-environment component that counts its creations and releases.
class CountingServidor : public Object {
  public:
    static inline int created = 0;
    static inline int released = 0;
    CountingServidor() { ++created; }
    ~CountingServidor() override { ++released; }
    std::string type_name() const override { return "clsServidor"; }
    Variant call(std::string_view, VariantArray) override {
        return Variant::array({Variant("00"), Variant("APPL_PHYSICAL_PATH"), Variant("/srv/app")});
    }
    static void reset() { created = released = 0; }
};

using test::RegistrationGuard;

using Janela = ui::DefaultInstance<frmKVRProgress>;

// What a preparation leaves in the window and its Internet Transfer control. Before each
// case the window holds proxy "antigo", user "anterior", password "velha" and flags "antes";
// what a case does not set must stay so, and a failed preparation sets neither flag.
struct PreparationCase {
    const char* name;
    std::vector<std::pair<const char*, Variant>> puts;
    const char* status = "1";
    const char* message = "Parâmetros processados com Sucesso.";
    int protocol = 4;
    std::int16_t port = 80;
    const char* proxy = "antigo";
    const char* user = "anterior";
    const char* password = "velha";
    const char* exibir = ""; // the window's ExibirProgresso and FecharProgresso after a success
    const char* fechar = "";
};

TEST(ProcessarParametros, SettingsReachTheWindowAndItsTransferControl) {
    const std::vector<PreparationCase> rows{
        {.name = "fresh control", .puts = {}},
        {.name = "https lower case", .puts = {{"Protocol", Variant("https")}}, .protocol = 5},
        {.name = "HTTPS with a trailing blank is plain HTTP",
         .puts = {{"Protocol", Variant("HTTPS ")}}},
        {.name = "port as text", .puts = {{"RemotePort", Variant("8080")}}, .port = 8080},
        {.name = "proxy, credentials and flags",
         .puts = {{"ProxyAddress", Variant("127.0.0.1:3128")},
                  {"UserName", Variant(" ana ")},
                  {"Password", Variant("segredo")},
                  {"ExibirProgresso", Variant("sim")},
                  {"FecharProgresso", Variant("nao")}},
         .proxy = "127.0.0.1:3128",
         .user = " ana ",
         .password = "segredo",
         .exibir = "SIM",
         .fechar = "NAO"},
        {.name = "port not a number",
         .puts = {{"RemotePort", Variant("porta")}, {"ExibirProgresso", Variant("SIM")}},
         .status = "0",
         .message = "13 - Type mismatch"},
        {.name = "port out of range, later steps still run",
         .puts = {{"RemotePort", Variant(std::int32_t{40000})},
                  {"UserName", Variant("ana")},
                  {"FecharProgresso", Variant("SIM")}},
         .status = "0",
         .message = "6 - Overflow",
         .user = "ana"},
        {.name = "Null user name cannot be read as text",
         .puts = {{"UserName", Variant::null()}, {"Protocol", Variant("https")}},
         .status = "0",
         .message = "94 - Invalid use of Null",
         .protocol = 5},
        {.name = "Null port and proxy count as not given",
         .puts = {{"RemotePort", Variant::null()}, {"ProxyAddress", Variant::null()}}},
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
        EXPECT_EQ(ctl.ProcessarParametros(),
                  Variant::array({Variant(row.status), Variant(row.message)}));
        EXPECT_EQ(frm.Inet1().Protocol(), row.protocol);
        EXPECT_EQ(frm.Inet1().AccessType(), inet::icUseDefault);
        EXPECT_EQ(frm.Inet1().RemotePort(), row.port);
        EXPECT_EQ(frm.Inet1().Proxy(), row.proxy);
        EXPECT_EQ(frm.UserName, row.user);
        EXPECT_EQ(frm.Password, row.password);
        const bool failed = std::string(row.status) == "0";
        EXPECT_EQ(frm.ExibirProgresso, failed ? "antes" : row.exibir);
        EXPECT_EQ(frm.FecharProgresso, failed ? "antes" : row.fechar);
    }
    Janela::unload();
}

class TransferMethodTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Janela::unload();
        CountingServidor::reset();
        m_servidor.replace([] { return std::make_shared<CountingServidor>(); });
    }
    void TearDown() override { Janela::unload(); }

    RegistrationGuard m_servidor{"RXTServidorAsp.clsServidor"};
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
        EXPECT_EQ(CountingServidor::created, 0);
    }
}

// The server-environment object is created by the first request that can create it, kept for
// the control's life and released once at its end.
TEST_F(TransferMethodTest, ServerEnvironmentCreatedOnceAndReleasedOnceAtTheEnd) {
    {
        auto ctl = std::make_shared<ctlKVRUpload>();
        m_servidor.remove();
        EXPECT_EQ(ctl->call("Download", {Variant("")}).as_array()[0], Variant("0"));
        EXPECT_FALSE(ctl->holds_server_environment());
        m_servidor.replace([] { return std::make_shared<CountingServidor>(); });
        for (const char* method : {"UpLoad", "Download", "UpLoad"}) {
            EXPECT_EQ(ctl->call(method, {Variant("")}).as_array()[0], Variant("0")) << method;
            EXPECT_FALSE(Janela::exists()) << method << ": each request unloads the window";
        }
        EXPECT_TRUE(ctl->holds_server_environment());
        EXPECT_EQ(CountingServidor::created, 1);
        EXPECT_EQ(CountingServidor::released, 0);
    }
    EXPECT_EQ(CountingServidor::released, 1);
    { ctlKVRUpload never_transferred; }
    EXPECT_EQ(CountingServidor::created, 1);
    EXPECT_EQ(CountingServidor::released, 1);
}

// The FTP class cannot start without its session: its error reaches the control's caller
// whole. Once it can, the object is the caller's alone: the control keeps no reference.
TEST(ctlKVRUploadFtpFactory, InitialisationFailureReachesTheCallerAndTheObjectIsTheCallers) {
    auto ctl = CreateObject("KVRUpload.ctlKVRUpload");
    {
        const test::ScopedEnv disabled{{"KVR_FTP_DISABLE", "1"}};
        const ComError e = test::raised([&] { ctl->call("CreateObjectFtp", {}); });
        EXPECT_EQ(e.number(), kObjectError + 2009);
        EXPECT_EQ(e.source(), "clsKVRUpload::Class_Initialise");
        EXPECT_EQ(e.description(), "Não é possível estabelecer uma conexão com o WinInet.dll.");
    }
    std::weak_ptr<Object> ftp = ctl->call("CreateObjectFtp", {}).as_object();
    EXPECT_TRUE(ftp.expired()) << "the control holds the FTP object it handed out";
}

// The numbers a compiled host was built against: the classes' identifiers and each member's
// dispatch identifier never change.
TEST(PublishedNumbers, ClassIdentifiersAndDispatchIdentifiers) {
    const struct {
        const char* progid;
        const char* clsid;
        std::vector<std::pair<const char*, std::int32_t>> members;
    } classes[] = {
        {"KVRUpload.ctlKVRUpload",
         "{8B7BF170-E2CB-40E1-B092-A1BF3D8141BD}",
         {{"ExibirProgresso", 0x6803000F},
          {"FecharProgresso", 0x68030017},
          {"UserName", 0x6803000E},
          {"Password", 0x6803000D},
          {"Protocol", 0x6803000C},
          {"RemoteHost", 0x6803000B},
          {"RemotePort", 0x6803000A},
          {"ProxyAddress", 0x68030009},
          {"CreateObjectFtp", 0x60030016},
          {"Download", 0x60030011},
          {"UpLoad", 0x60030012}}},
        {"KVRUpload.clsKVRUpload",
         "{F7C4E558-DE36-456E-9829-EEA04913C1F6}",
         {{"Host", 0x68030000},
          {"User", 0x68030001},
          {"Password", 0x68030002},
          {"Directory", 0x68030003},
          {"Connected", 0x68030004},
          {"Connect", 0x60030000},
          {"Disconnect", 0x60030001},
          {"GetDirectoryList", 0x60030002},
          {"GetFile", 0x60030003},
          {"PutFile", 0x60030004},
          {"RenameFile", 0x60030005},
          {"DeleteFile", 0x60030006}}},
    };
    for (const auto& c : classes) {
        const DispatchTable* table = CreateObject(c.progid)->dispatch_table();
        ASSERT_NE(table, nullptr) << c.progid;
        EXPECT_EQ(table->clsid, c.clsid);
        EXPECT_EQ(ClassRegistry::instance().find_progid(c.progid)->clsid, c.clsid);
        EXPECT_EQ(table->members.size(), c.members.size()) << c.progid;
        for (const auto& [name, dispid] : c.members) {
            const Member* m = table->find(name);
            ASSERT_NE(m, nullptr) << name;
            EXPECT_EQ(m->dispid, dispid) << c.progid << "." << name;
        }
    }
}

} // namespace
} // namespace kvr
