// fixtures: ftp
// The FTP client window driven as a user drives it, through the headless window layer's
// queue: what its message boxes say, which controls it leaves enabled, what the list shows,
// and what went over the wire (the scripted server's transcript) until the window closed.
#include "ftp/frmKVRFtp.h"
#include "integration/ftp/FtpClassSupport.h"
#include "support/HeadlessTest.h"
#include "support/RaisedNumber.h"
#include "support/ScriptedFtp.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kvr::test;
using kvr::frmKVRFtp;
using kvr::ui::UserAction;

namespace {

const std::string kHost = "{host}"; // replaced by the server's address

UserAction typed(const std::string& box, const std::string& text) {
    return {UserAction::Text, "frmKVRFtp." + box, text};
}
UserAction click(const std::string& control) {
    return {UserAction::Click, "frmKVRFtp." + control, {}};
}
UserAction choose(int entry) {
    return {UserAction::Select, "frmKVRFtp.lstServer", {}, entry};
}
UserAction dialog(std::optional<std::string> answer) {
    return {UserAction::Dialog, "", std::move(answer)};
}

kvr::ui::HeadlessBackend& ui() {
    return *kvr::ui::headless();
}

// Queues the actions (the server's address put in) and lets the window run them.
void act(std::vector<UserAction> actions, const std::string& host) {
    for (auto& a : actions) {
        if (a.answer && *a.answer == kHost)
            a.answer = host;
        ui().queue(std::move(a));
    }
    kvr::ui::DoEvents();
    EXPECT_EQ(ui().queued(), 0u) << "an action could not be performed";
}

// What the window reported: message boxes and mouse pointer values, in order.
std::pair<Texts, std::vector<int>> reports() {
    Texts boxes;
    std::vector<int> pointer;
    for (const auto& e : ui().events()) {
        if (e.form == "MsgBox")
            boxes.push_back(e.value.to_string());
        else if (e.form == "Screen" && e.property == "MousePointer")
            pointer.push_back(e.value.to_long());
    }
    return {boxes, pointer};
}

Texts entries(const kvr::ui::Control& list) {
    Texts out;
    for (int i = 0; i < list.list_count(); ++i)
        out.push_back(list.list(i));
    return out;
}

Texts verbs(const std::vector<std::string>& transcript) {
    Texts out;
    for (const auto& line : transcript)
        out.push_back(line.substr(0, line.find(' ')));
    return out;
}

using frmKVRFtpTest = HeadlessTest;

} // namespace

TEST_F(frmKVRFtpTest, ScenariosAgainstTheScriptedServer) {
    const std::string refused = "-2147219503 - Não é possível estabelecer uma conexão com ";
    const Texts session = {"USER", "PASS", "PORT", "NLST", "QUIT"};
    struct Row {
        const char* what;
        const char* scenario;
        std::vector<UserAction> actions;
        Texts boxes;
        bool inputs_enabled; // txtServer, txtUser, txtPassword, cmdConnect; cmdDisconnect not
        bool connected;
        Texts list;
        Texts wire; // the commands' verbs, up to the window's close
    };
    const std::vector<Row> rows = {
        {"empty server box",
         "{}",
         {typed("txtServer", ""), click("cmdConnect")},
         {"-2147219496 - Nenhum Endereço de Host especificado."},
         true,
         false,
         {},
         {}},
        {"refused login",
         R"({"pass": "530 Login incorrect."})",
         {typed("txtServer", kHost), click("cmdConnect")},
         {refused + "{host} usando os parâmetros User e Password fornecidos.\r\n" +
          with_reply("530 Login incorrect.\r\n")},
         true,
         false,
         {},
         {"USER", "PASS"}},
        {"empty root",
         R"({"names": []})",
         {typed("txtServer", kHost), click("cmdConnect")},
         {"Diretório Vazio"},
         true,
         true,
         {},
         session},
        {"listing fails, then a second Connect while connected",
         R"({"replies": {"NLST": "425 Can't open data connection."}})",
         {typed("txtServer", kHost), click("cmdConnect"), click("cmdConnect")},
         {"12003 - Erro pesquisando o Diretório \\*.*",
          "Você não pode alterar esta propriedade enquanto conectado a um Servidor FTP."},
         true,
         true,
         {},
         session},
        {"the names listed; Save cancelled fetches and sends nothing",
         R"({"files": {"a.gif": "GIF89a", "b.txt": "b"}})",
         {typed("txtServer", kHost), typed("txtUser", "ana"), click("cmdConnect"), choose(1),
          dialog(std::nullopt)},
         {"Getfile: GetFile Cancelado"},
         false,
         true,
         {"a.gif", "b.txt"},
         session},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ui().clear_events();
        ScriptedFtp server(r.scenario);
        frmKVRFtp f;
        f.show();
        act(r.actions, server.host());
        auto [boxes, pointer] = reports();
        auto expected = r.boxes;
        for (auto& b : expected)
            if (auto at = b.find(kHost); at != std::string::npos)
                b.replace(at, kHost.size(), server.host());
        EXPECT_EQ(boxes, expected);
        // Every Connect shows the hourglass and ends with the default pointer.
        std::vector<int> hourglass;
        for (const auto& a : r.actions)
            if (a.kind == UserAction::Click && a.target == "frmKVRFtp.cmdConnect")
                hourglass.insert(hourglass.end(), {11, 0});
        EXPECT_EQ(pointer, hourglass);
        for (auto* c : {&f.txtServer, &f.txtUser, &f.txtPassword, &f.cmdConnect})
            EXPECT_EQ(c->enabled(), r.inputs_enabled) << c->name();
        EXPECT_EQ(f.cmdDisconnect.enabled(), !r.inputs_enabled);
        EXPECT_EQ(f.ftp()->Connected_Get().to_bool(), r.connected);
        EXPECT_EQ(entries(f.lstServer), r.list);
        // Closing the window ends a connection the buttons may not show; no message box.
        ui().clear_events();
        act({{UserAction::Close, "frmKVRFtp", {}}}, "");
        EXPECT_FALSE(f.loaded());
        EXPECT_EQ(reports().first, Texts{});
        EXPECT_EQ(verbs(server.transcript()), r.wire);
    }
}

TEST_F(frmKVRFtpTest, AClickedNameIsFetchedAndAChosenFileSentBackToVsftpd) {
    Vsftpd ftpd;
    ASSERT_TRUE(ftpd.running());
    write_file(ftpd.home() / "janela.gif", "GIF89a janela");
    std::filesystem::remove(ftpd.home() / "enviado.gif");
    TempDir local;
    write_file(local.path() / "enviado.gif", "GIF89a enviado");
    frmKVRFtp f;
    f.show();
    act({typed("txtServer", ftpd.host()), typed("txtUser", ftpd.user()),
         typed("txtPassword", ftpd.password()), click("cmdConnect")},
        "");
    Texts names = entries(f.lstServer);
    auto at = std::find(names.begin(), names.end(), "janela.gif");
    ASSERT_NE(at, names.end());
    const std::string fetched = (local.path() / "recebido.gif").string();
    const std::string sent = (local.path() / "enviado.gif").string();
    ui().clear_events();
    act({choose(static_cast<int>(at - names.begin())), dialog(fetched), dialog(sent)}, "");
    EXPECT_EQ(reports().first, (Texts{"Getfile: " + fetched, "Putfile: " + sent}));
    EXPECT_EQ(read_file(fetched), "GIF89a janela");
    EXPECT_EQ(read_file(ftpd.home() / "enviado.gif"), "GIF89a enviado");
    act({click("cmdDisconnect")}, "");
    EXPECT_EQ(f.lstServer.list_count(), 0);
    EXPECT_TRUE(f.cmdConnect.enabled());
    EXPECT_FALSE(f.ftp()->Connected_Get().to_bool());
    f.unload();
}

TEST_F(frmKVRFtpTest, NoFtpObjectNoWindow) {
    const ScopedEnv disabled{{"KVR_FTP_DISABLE", "1"}};
    frmKVRFtp f;
    EXPECT_EQ(raised_number([&] { f.Show(); }), kvr::ftp_error(kvr::errFatal));
    EXPECT_FALSE(f.loaded());
    EXPECT_FALSE(f.visible());
}
