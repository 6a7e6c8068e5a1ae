// fixtures: ftp
// Connecting, disconnecting and the connection properties: result texts and raised errors.
#include "integration/ftp/FtpClassSupport.h"
#include "platform/automation/ComError.h"
#include "support/RaisedNumber.h"
#include "support/ScriptedFtp.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

using namespace kvr::test;
using kvr::ComError;
using kvr::Variant;
using kvr::VariantArray;

TEST(clsKVRUploadConnection, ConnectDisconnectAndPropertiesAgainstVsftpd) {
    Vsftpd ftpd;
    ASSERT_TRUE(ftpd.running());
    ftpd.fresh_folder("conn");
    std::filesystem::create_directories(ftpd.home() / "conn/inner");
    write_file(ftpd.home() / "conn/inner/here.txt", "x");
    auto ftp = kvr::CreateObject("KVRUpload.clsKVRUpload");
    ftp->put("Host", Variant(ftpd.host()));
    ftp->put("User", Variant(ftpd.user()));
    ftp->put("Password", Variant(ftpd.password()));
    auto step = [&](const char* member, VariantArray args, const Texts& result, bool connected) {
        EXPECT_EQ(texts(ftp->call(member, std::move(args))), result) << member;
        EXPECT_EQ(ftp->get("Connected").to_bool(), connected) << member;
    };
    step("Connect", {}, {"1", "Conexão Bem-Sucedida"}, true); // with the properties
    step("Connect", {Variant("elsewhere")},
         {"0", "-2147219496 - Você já está conectado a um Servidor FTP " + ftpd.host()}, true);
    step("Disconnect", {}, {"1", "Desconexão Bem-Sucedida"}, false);
    step("Disconnect", {}, {"0", "-2147219499 - Não conectado ao Site FTP."}, false);
    step("Connect", {}, {"0", "-2147219496 - Nenhum Endereço de Host especificado."}, false);
    step("Connect",
         {Variant(ftpd.host()), Variant(ftpd.user()), Variant(ftpd.password()),
          Variant("conn\\no\\such")},
         {"0", "-2147219502 - Diretório não pode ser alterado para conn/no/such. Ele não existe "
               "ou está protegido."},
         true);
    EXPECT_EQ(ftp->get("Directory"), Variant("")) << "a failed change keeps the old text";
    // Connected: the properties refuse a change, and a folder is changed to as given.
    const std::string refused = "Você não pode alterar esta propriedade enquanto conectado a um "
                                "Servidor FTP.";
    const std::tuple<const char*, const char*, std::int32_t, const char*, std::string> puts[] = {
        {"Host", "other", -2147219496, "clsKVRUpload:Host_Let", refused},
        {"User", "other", -2147219496, "clsKVRUpload::User_Let", refused},
        {"Password", "other", -2147219496, "clsKVRUpload::Password_Let", refused},
        {"Directory", "no\\where", -2147219502, "clsKVRUpload::Directory[Let]",
         "Diretório não pode ser alterado para no/where. Ele não existe ou está protegido."},
    };
    for (auto [property, value, number, source, description] : puts) {
        Variant before = ftp->get(property);
        ComError e = raised([&] { ftp->put(property, Variant(value)); });
        EXPECT_EQ(e.number(), number) << property;
        EXPECT_EQ(e.source(), source) << property;
        EXPECT_EQ(e.description(), description) << property;
        EXPECT_EQ(ftp->get(property), before) << property;
    }
    ftp->put("Directory", Variant("conn\\inner"));
    EXPECT_EQ(ftp->get("Directory"), Variant("conn\\inner"));
    EXPECT_EQ(texts(ftp->call("GetDirectoryList", {})), (Texts{"1", "here.txt"}));
}

// What the user reads: the server's reply (every line) after the message when there was one.
TEST(clsKVRUploadConnection, RefusedAndFailedConnections) {
    for (const bool listens : {true, false}) {
        std::optional<ScriptedFtp> server;
        const std::string host =
            server.emplace(R"({"pass": "530-Login incorrect.\n530-Locked | ask.\n530 Bye."})")
                .host();
        if (!listens)
            server.reset();
        auto ftp = kvr::CreateObject("KVRUpload.clsKVRUpload");
        EXPECT_EQ(texts(ftp->call("Connect", {Variant(host), Variant("u"), Variant("p")})),
                  (Texts{"0", "-2147219503 - Não é possível estabelecer uma conexão com " + host +
                                  " usando os parâmetros User e Password fornecidos.\r\n" +
                                  (listens ? with_reply("530-Login incorrect.\r\n530-Locked | "
                                                        "ask.\r\n530 Bye.\r\n")
                                           : "")}));
        EXPECT_FALSE(ftp->get("Connected").to_bool());
        EXPECT_EQ(ftp->get("Host"), Variant(host));
    }
}
