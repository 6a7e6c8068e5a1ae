// fixtures: ftp
// The FTP class against vsftpd and the scripted server: the result arrays and raised errors,
// the bytes on disk or the commands received.
#include "integration/ftp/FtpClassSupport.h"
#include "platform/automation/ComError.h"
#include "support/RaisedNumber.h"
#include "support/ScriptedFtp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>

using namespace kvr::test;
using kvr::ComError;
using kvr::Variant;
using kvr::VariantArray;

namespace {
using S = Variant;
const Variant M = Variant::missing();

std::string upload_failed(const std::string& remote) {
    return "-2147219497 - Não é possível um Upload do Arquivo " + remote + " para o Servidor.\r\n";
}

} // namespace

// One session: listing changes the current folder, so it comes last. Renames and deletes that
// succeed, a delete that fails, a plain put and a local folder that cannot be made are the
// command's tests; so is a cancelled Open dialog (a cancelled Save: the window's).
TEST(clsKVRUploadOperations, CallsAgainstVsftpd) {
    Vsftpd ftpd;
    ASSERT_TRUE(ftpd.running());
    ftpd.fresh_folder("ops");
    for (const char* d : {"list/many/sub", "list/bars"})
        std::filesystem::create_directories(ftpd.home() / "ops" / d);
    write_file(ftpd.home() / "ops/report.txt", "report body\n");
    for (const char* f : {"b.txt", "a.gif", "c.txt"})
        write_file(ftpd.home() / "ops/list/many" / f, f);
    write_file(ftpd.home() / "ops/list/bars/x|y.txt", "");
    auto ftp = ftpd.connected("ops");
    TempDir tmp;
    const std::string local = tmp.str() + "/report.txt", made = tmp.str() + "/made/r.txt";
    const std::string at = ftpd.home().string() + "/ops/list"; // no chroot: paths are real
    const std::string neither = "Arquivos Local e Servidor ou Opção de Diálogo deve ser informado.";
    const struct {
        const char* method;
        VariantArray args;
        Texts result;
    } rows[] = {
        {"GetFile", {S("   "), S(local)}, {"0", "Arquivo do Servidor não Informado."}},
        {"GetFile", {S("report.txt"), S(local)}, {"1", local}},
        {"GetFile", {S("report.txt"), S(made), S("binary")}, {"1", made}}, // one folder is made
        {"PutFile", {S(local)}, {"0", neither}},
        {"PutFile", {M, S("x")}, {"0", neither}},
        {"PutFile",
         {S(tmp.str() + "/absent"), S("x.txt"), S("binary")},
         {"0", upload_failed("x.txt")}},
        {"PutFile",
         {S(local), S("no/such/dir.txt")},
         {"0", upload_failed("no/such/dir.txt") + with_reply("553 Could not create file.\r\n")}},
        {"RenameFile",
         {S("old.txt"), S("other.txt")},
         {"0", "-2147219501 - Não é possível Renomear o Arquivo old.txt.\r\n" +
                   with_reply("550 RNFR command failed.\r\n")}},
        {"RenameFile", {Variant::null(), S("x")}, {"0", "94 - Invalid use of Null"}},
        {"GetDirectoryList", {S(at + "/many")}, {"1", "a.gif", "b.txt", "c.txt", "sub"}},
        // A folder inside the filter: still bare names.
        {"GetDirectoryList", {S(at), S("many/*.txt")}, {"1", "b.txt", "c.txt"}},
        {"GetDirectoryList", {S(at), S("many/sub/*.*")}, {"0", "Diretório Vazio"}},
        {"GetDirectoryList", {S(at + "/bars")}, {"1", "x", "y.txt"}},
        {"GetDirectoryList",
         {S(at + "\\nowhere")},
         {"0", "-2147219502 - Diretório não pode ser alterado para " + at +
                   "/nowhere. Ele não existe ou está protegido."}},
        {"GetDirectoryList", {M, S("*.gif")}, {"0", "Diretório Vazio"}}, // still in list/bars
    };
    for (const auto& r : rows)
        EXPECT_EQ(texts(ftp->call(r.method, r.args)), r.result) << r.method << " " << r.result[1];
    EXPECT_EQ(ftp->get("Directory"), Variant("ops")) << "a listing leaves the property as it was";
    for (const auto& file : {local, made})
        EXPECT_EQ(read_file(file), "report body\n");
    // The Save dialog names the file.
    const std::string chosen = tmp.str() + "/chosen.txt";
    answer_dialog(chosen);
    EXPECT_EQ(texts(ftp->call("GetFile", {S(at + "/../report.txt"), M, S("ASCII"), S("gif")})),
              (Texts{"1", chosen}));
    EXPECT_EQ(read_file(chosen), "report body\n");
}

TEST(clsKVRUploadOperations, ListingLimitsAndFailures) {
    const ScopedEnv timeout{{"KVR_FTP_TIMEOUT", "1"}};
    {
        ScriptedFtp server(R"({"name_count": 32767})");
        Variant v = connected(server.host())->call("GetDirectoryList", {});
        ASSERT_EQ(v.ubound(), 32767);
        EXPECT_EQ(v.as_array()[0], S("1"));
        EXPECT_EQ(v.as_array()[32767], S("f32766.txt"));
    }
    struct Row {
        std::string scenario;
        VariantArray args;
        Texts result;
        bool stays_connected; // a control link given up carries no further command
    };
    const Row rows[] = {
        {R"({"name_count": 32768})", {}, {"0", "6 - Overflow"}, true},
        {R"({"replies": {"NLST": "425 Can't open data connection."}})",
         {S("/"), S("*.txt")},
         {"0", "12003 - Erro pesquisando o Diretório /\\*.txt"},
         true},
        {R"({"stall_on": "NLST"})", {}, {"0", "12002 - Erro pesquisando o Diretório \\"}, false},
    };
    for (const auto& r : rows) {
        ScriptedFtp server(r.scenario);
        auto ftp = connected(server.host());
        EXPECT_EQ(texts(ftp->call("GetDirectoryList", r.args)), r.result);
        EXPECT_EQ(ftp->get("Connected").to_bool(), r.stays_connected) << r.scenario;
    }
}

TEST(clsKVRUploadOperations, TransferTypeOnTheWire) {
    ScriptedFtp server(R"({"files": {"f": "x"}})");
    auto ftp = connected(server.host());
    TempDir tmp;
    const std::string local = tmp.str() + "/f";
    // The type is ASCII only when it says so, in any case, without blanks; missing is ASCII.
    const std::pair<Variant, std::string> types[] = {
        {M, "TYPE A"},           {S("AsCiI"), "TYPE A"},      {S("binary"), "TYPE I"},
        {S("ascii "), "TYPE I"}, {Variant::null(), "TYPE I"},
    };
    for (const auto& [type, expected] : types) {
        EXPECT_EQ(texts(ftp->call("GetFile", {S("f"), S(local), type}))[0], "1");
        EXPECT_EQ(server.sent("TYPE").back(), expected) << type.type_name();
        EXPECT_EQ(texts(ftp->call("PutFile", {S(local), S("g"), type}))[0], "1");
        EXPECT_EQ(server.sent("TYPE").back(), expected) << type.type_name();
    }
}

// Local files: a legacy drive path is a native one both ways, and a put of a file that shrinks
// while it is sent fails in time (a link written through, a pipe refused at once and a failed get
// leaving the old file: the local-file and transport tests).
TEST(clsKVRUploadOperations, LocalFilesAgainstVsftpd) {
    Vsftpd ftpd;
    ASSERT_TRUE(ftpd.running());
    ftpd.fresh_folder("local");
    write_file(ftpd.home() / "local/r.txt", "remote\n");
    auto ftp = ftpd.connected("local");
    TempDir tmp;
    const ScopedEnv temp{{"TMPDIR", tmp.str()}};
    const std::string big = tmp.str() + "/big.bin";
    write_file(big, "");
    std::filesystem::resize_file(big, 256u << 20);
    // Shrinks the file once the server has begun to store it.
    std::thread shrinker([&] {
        const auto stored = ftpd.home() / "local/big.bin";
        std::error_code missing;
        for (int i = 0; i < 10000; ++i) {
            if (std::filesystem::file_size(stored, missing) > 0 && !missing)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::filesystem::resize_file(big, 1u << 20);
    });
    const std::tuple<const char*, VariantArray, std::string> rows[] = {
        {"GetFile", {S("r.txt"), S("c:\\temp\\x\\r.txt")}, "1"},
        {"PutFile", {S("c:\\temp\\x\\r.txt"), S("back.txt")}, "1"},
        {"PutFile", {S(big), S("big.bin")}, "0"},
    };
    for (const auto& [method, args, first] : rows) {
        const auto start = std::chrono::steady_clock::now();
        const Texts got = texts(ftp->call(method, args));
        EXPECT_EQ(got.at(0), first) << args[0].to_string() << " " << got.at(1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
    shrinker.join();
    EXPECT_EQ(read_file(tmp.path() / "x/r.txt"), "remote\n");
    EXPECT_EQ(read_file(ftpd.home() / "local/back.txt"), "remote\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 2);
    std::filesystem::remove(ftpd.home() / "local/big.bin");
}

// A file chosen in the dialog goes to the remote text's folder when it names one with "\".
TEST(clsKVRUploadOperations, PutFileWithTheDialogAndRefusals) {
    ScriptedFtp server(R"({"stor_limit": 1, "stor_reply": "552-Quota exceeded.\n552 Aborted."})");
    auto ftp = connected(server.host());
    TempDir tmp;
    const std::string chosen = tmp.str() + "/chosen.gif";
    write_file(chosen, std::string(4 * 1024 * 1024, 'g'));
    const std::tuple<Variant, std::string, std::string> rows[] = {
        {S("imgs\\old.gif"), "imgs\\old.gif", "STOR imgs\\chosen.gif"},
        {S("imgs/old.gif"), "imgs/old.gif", "STOR chosen.gif"},
        {M, "", "STOR chosen.gif"},
    };
    for (const auto& [remote, text, stor] : rows) {
        answer_dialog(chosen);
        EXPECT_EQ(texts(ftp->call("PutFile", {M, remote, S("binary"), S("GIF")})),
                  (Texts{"0", upload_failed(text) +
                                  with_reply("552-Quota exceeded.\r\n552 Aborted.\r\n")}));
        EXPECT_EQ(server.sent("STOR").back(), stor);
    }
}

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

// Nothing listens: the message alone, with no reply after it (a refused login's reply: the
// command's tests).
TEST(clsKVRUploadConnection, AnUnreachableHostGivesTheMessageAlone) {
    const std::string host = ScriptedFtp("{}").host();
    auto ftp = kvr::CreateObject("KVRUpload.clsKVRUpload");
    EXPECT_EQ(texts(ftp->call("Connect", {Variant(host), Variant("u"), Variant("p")})),
              (Texts{"0", "-2147219503 - Não é possível estabelecer uma conexão com " + host +
                              " usando os parâmetros User e Password fornecidos.\r\n"}));
    EXPECT_FALSE(ftp->get("Connected").to_bool());
    EXPECT_EQ(ftp->get("Host"), Variant(host));
}
