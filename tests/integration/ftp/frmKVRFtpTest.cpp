// fixtures: ftp
// The FTP client window driven through the headless window layer's queue of user actions.
#include "ftp/frmKVRFtp.h"
#include "integration/ftp/FtpClassSupport.h"
#include "support/HeadlessTest.h"
#include "support/RaisedNumber.h"
#include "support/ScriptedFtp.h"

#include <gtest/gtest.h>

using namespace kvr::test;
using kvr::frmKVRFtp;
using kvr::ui::UserAction;

namespace {

UserAction typed(const std::string& box, const std::string& text) {
    return {UserAction::Text, "frmKVRFtp." + box, text};
}
UserAction click(const std::string& control) {
    return {UserAction::Click, "frmKVRFtp." + control, {}};
}

class frmKVRFtpTest : public HeadlessTest {
  protected:
    static void act(std::vector<UserAction> actions) {
        for (auto& a : actions)
            ui().queue(std::move(a));
        kvr::ui::DoEvents();
        EXPECT_EQ(ui().queued(), 0u) << "an action could not be performed";
    }
    // What the window reported: message boxes and mouse pointer values, in order.
    static std::pair<Texts, std::vector<int>> reports() {
        std::pair<Texts, std::vector<int>> out;
        for (const auto& e : ui().events())
            if (e.form == "MsgBox")
                out.first.push_back(e.value.to_string());
            else if (e.form == "Screen" && e.property == "MousePointer")
                out.second.push_back(e.value.to_long());
        return out;
    }
};

} // namespace

// Connections that end with a message box leave the inputs enabled, whatever the state; a
// second Connect while connected tries to change the Host.
TEST_F(frmKVRFtpTest, ScenariosAgainstTheScriptedServer) {
    const struct {
        bool connects;
        Texts boxes;
        Texts wire; // the commands' verbs, up to the window's close
    } rows[] = {
        {false, {"-2147219496 - Nenhum Endereço de Host especificado."}, {}},
        {true,
         {"Diretório Vazio",
          "Você não pode alterar esta propriedade enquanto conectado a um Servidor FTP."},
         {"USER", "PASS", "PORT", "NLST", "QUIT"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.connects);
        ui().clear_events();
        ScriptedFtp server(R"({"names": []})");
        frmKVRFtp f;
        f.show();
        std::vector<UserAction> actions = {typed("txtServer", r.connects ? server.host() : ""),
                                           click("cmdConnect")};
        if (r.connects)
            actions.push_back(click("cmdConnect"));
        act(actions);
        auto [boxes, pointer] = reports();
        EXPECT_EQ(boxes, r.boxes);
        // Every Connect shows the hourglass and ends with the default pointer.
        EXPECT_EQ(pointer, (r.connects ? std::vector<int>{11, 0, 11, 0} : std::vector<int>{11, 0}));
        for (auto* c : {&f.txtServer, &f.txtUser, &f.txtPassword, &f.cmdConnect})
            EXPECT_TRUE(c->enabled()) << c->name();
        EXPECT_FALSE(f.cmdDisconnect.enabled());
        EXPECT_EQ(f.ftp()->Connected_Get().to_bool(), r.connects);
        EXPECT_EQ(f.lstServer.list_count(), 0);
        // Closing the window ends a connection the buttons may not show; no message box.
        ui().clear_events();
        act({{UserAction::Close, "frmKVRFtp", {}}});
        EXPECT_FALSE(f.loaded());
        EXPECT_EQ(reports().first, Texts{});
        Texts verbs = server.transcript();
        for (auto& line : verbs)
            line = line.substr(0, line.find(' '));
        EXPECT_EQ(verbs, r.wire);
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
         typed("txtPassword", ftpd.password()), click("cmdConnect")});
    EXPECT_EQ(reports(), std::make_pair(Texts{}, std::vector<int>{11, 0})) << "no message box";
    EXPECT_FALSE(f.txtServer.enabled()) << "the buttons: the toolkit test";
    int at = 0;
    while (at < f.lstServer.list_count() && f.lstServer.list(at) != "janela.gif")
        ++at;
    ASSERT_LT(at, f.lstServer.list_count());
    const std::string fetched = (local.path() / "recebido.gif").string();
    const std::string sent = (local.path() / "enviado.gif").string();
    ui().clear_events();
    act({{UserAction::Select, "frmKVRFtp.lstServer", {}, at},
         {UserAction::Dialog, "", fetched},
         {UserAction::Dialog, "", sent}});
    EXPECT_EQ(reports().first, (Texts{"Getfile: " + fetched, "Putfile: " + sent}));
    EXPECT_EQ(read_file(fetched), "GIF89a janela");
    EXPECT_EQ(read_file(ftpd.home() / "enviado.gif"), "GIF89a enviado");
    act({click("cmdDisconnect")});
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
