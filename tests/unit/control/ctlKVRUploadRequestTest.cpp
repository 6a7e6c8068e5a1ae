// No server is needed: a transfer with no URL fails inside the window at once.
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

#include <tuple>

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
};

using Janela = ui::DefaultInstance<frmKVRProgress>;

Variant V(const char* text) {
    return Variant(text);
}

// What a preparation leaves in the window and its transfer control, as "result|message|
// protocol|port|proxy|user|password|ExibirProgresso|FecharProgresso". Before each case the
// window holds proxy "antigo", user "anterior", password "velha" and flags "antes": what a case
// does not set must stay so, and a failed preparation sets neither flag.
TEST(ProcessarParametros, SettingsReachTheWindowAndItsTransferControl) {
    const std::string ok = "1|Parâmetros processados com Sucesso.|";
    const std::string kept = "|antigo|anterior|velha||";
    using Puts = std::vector<std::pair<const char*, Variant>>;
    const std::tuple<const char*, Puts, std::string> rows[] = {
        {"fresh control", {}, ok + "4|80" + kept},
        {"https lower case", {{"Protocol", V("https")}}, ok + "5|80" + kept},
        {"HTTPS with a trailing blank is HTTP", {{"Protocol", V("HTTPS ")}}, ok + "4|80" + kept},
        {"port as text", {{"RemotePort", V("8080")}}, ok + "4|8080" + kept},
        {"Null port and proxy count as not given",
         {{"RemotePort", Variant::null()}, {"ProxyAddress", Variant::null()}},
         ok + "4|80" + kept},
        {"proxy, credentials and flags",
         {{"ProxyAddress", V("127.0.0.1:3128")},
          {"UserName", V(" ana ")},
          {"Password", V("s")},
          {"ExibirProgresso", V("sim")},
          {"FecharProgresso", V("nao")}},
         ok + "4|80|127.0.0.1:3128| ana |s|SIM|NAO"},
        {"port not a number",
         {{"RemotePort", V("porta")}, {"ExibirProgresso", V("SIM")}},
         "0|13 - Type mismatch|4|80|antigo|anterior|velha|antes|antes"},
        {"port out of range, later steps still run",
         {{"RemotePort", Variant(std::int32_t{40000})},
          {"UserName", V("ana")},
          {"FecharProgresso", V("SIM")}},
         "0|6 - Overflow|4|80|antigo|ana|velha|antes|antes"},
        {"Null user name cannot be read as text",
         {{"UserName", Variant::null()}, {"Protocol", V("https")}},
         "0|94 - Invalid use of Null|5|80|antigo|anterior|velha|antes|antes"},
    };
    for (const auto& [name, puts, expected] : rows) {
        SCOPED_TRACE(name);
        Janela::unload();
        frmKVRProgress& frm = Janela::get();
        frm.Inet1().set_Proxy("antigo");
        frm.Inet1().set_AccessType(inet::icNamedProxy);
        frm.UserName = "anterior";
        frm.Password = "velha";
        frm.ExibirProgresso = frm.FecharProgresso = "antes";

        ctlKVRUpload ctl;
        for (const auto& [property, value] : puts)
            ctl.put(property, value);
        const Variant r = ctl.ProcessarParametros();
        ASSERT_EQ(r.ubound(), 1);
        const auto& inet = frm.Inet1();
        EXPECT_EQ(r.as_array()[0].as_string() + "|" + r.as_array()[1].as_string() + "|" +
                      std::to_string(inet.Protocol()) + "|" + std::to_string(inet.RemotePort()) +
                      "|" + inet.Proxy() + "|" + frm.UserName + "|" + frm.Password + "|" +
                      frm.ExibirProgresso + "|" + frm.FecharProgresso,
                  expected);
        EXPECT_EQ(inet.AccessType(), inet::icUseDefault);
    }
    Janela::unload();
}

// A failed preparation turns progress off, keeps the window as the preparation left it and
// creates nothing. The server-environment object is created by the first request that can
// create it, kept for the control's life and released once at its end.
TEST(ctlKVRUploadRequests, AFailedPreparationAndTheServerEnvironmentsLife) {
    test::RegistrationGuard servidor{"RXTServidorAsp.clsServidor"};
    const auto counting = [] { return std::make_shared<CountingServidor>(); };
    servidor.replace(counting);
    {
        auto ctl = std::make_shared<ctlKVRUpload>();
        ctl->put("UserName", V("ana"));
        ctl->put("RemotePort", V("porta"));
        for (const char* method : {"Download", "UpLoad"}) {
            Janela::unload();
            ctl->put("ExibirProgresso", V("SIM"));
            EXPECT_EQ(ctl->call(method, {V("http://127.0.0.1:1/a.txt"), V("a.txt")}),
                      Variant::array({V("0"), V("13 - Type mismatch")}));
            EXPECT_EQ(ctl->get("ExibirProgresso"), V("NAO"));
            ASSERT_TRUE(Janela::exists());
            EXPECT_EQ(Janela::get().UserName, "ana");
        }
        EXPECT_EQ(CountingServidor::created, 0);
        ctl->put("RemotePort", V("80"));
        servidor.remove();
        EXPECT_EQ(ctl->call("Download", {V("")}).as_array()[0], V("0"));
        EXPECT_FALSE(ctl->holds_server_environment());
        servidor.replace(counting);
        for (const char* method : {"UpLoad", "Download", "UpLoad"}) {
            EXPECT_EQ(ctl->call(method, {V("")}).as_array()[0], V("0")) << method;
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
    Janela::unload();
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

// The numbers a compiled host was built against never change.
TEST(PublishedNumbers, ClassIdentifiersAndDispatchIdentifiers) {
    using Ids = std::vector<std::pair<const char*, std::int32_t>>;
    const Ids control = {{"ExibirProgresso", 0x6803000F}, {"FecharProgresso", 0x68030017},
                         {"UserName", 0x6803000E},        {"Password", 0x6803000D},
                         {"Protocol", 0x6803000C},        {"RemoteHost", 0x6803000B},
                         {"RemotePort", 0x6803000A},      {"ProxyAddress", 0x68030009},
                         {"CreateObjectFtp", 0x60030016}, {"Download", 0x60030011},
                         {"UpLoad", 0x60030012}};
    const Ids ftp = {{"Host", 0x68030000},       {"User", 0x68030001},
                     {"Password", 0x68030002},   {"Directory", 0x68030003},
                     {"Connected", 0x68030004},  {"Connect", 0x60030000},
                     {"Disconnect", 0x60030001}, {"GetDirectoryList", 0x60030002},
                     {"GetFile", 0x60030003},    {"PutFile", 0x60030004},
                     {"RenameFile", 0x60030005}, {"DeleteFile", 0x60030006}};
    const std::tuple<const char*, const char*, const Ids&> classes[] = {
        {"KVRUpload.ctlKVRUpload", "{8B7BF170-E2CB-40E1-B092-A1BF3D8141BD}", control},
        {"KVRUpload.clsKVRUpload", "{F7C4E558-DE36-456E-9829-EEA04913C1F6}", ftp}};
    for (const auto& [progid, clsid, members] : classes) {
        const DispatchTable* table = CreateObject(progid)->dispatch_table();
        ASSERT_NE(table, nullptr) << progid;
        EXPECT_EQ(table->clsid, clsid);
        EXPECT_EQ(ClassRegistry::instance().find_progid(progid)->clsid, clsid);
        EXPECT_EQ(table->members.size(), members.size()) << progid;
        for (const auto& [name, dispid] : members) {
            const Member* m = table->find(name);
            ASSERT_NE(m, nullptr) << name;
            EXPECT_EQ(m->dispid, dispid) << progid << "." << name;
        }
    }
}

} // namespace
} // namespace kvr
