#include "ftp/frmKVRFtp.h"

#include "platform/automation/DispatchTable.h"
#include "platform/automation/Err.h"
#include "platform/automation/NamedInstances.h"
#include "platform/ui/Backend.h"
#include "platform/ui/DefaultInstance.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace kvr {

namespace {

using ui::ControlKind;

// The client area, in twips.
constexpr int kLarguraJanela = 4845;
constexpr int kAlturaJanela = 2805;

constexpr int kPonteiroAmpulheta = 11;
constexpr int kPonteiroPadrao = 0;

// Initial texts of the server and password boxes: the loopback server and an address
// used as the anonymous password.
const char* const kServidorPadrao = "127.0.0.1";
const char* const kSenhaPadrao = "anonimo@localhost";

struct Desenho {
    const char* texto;
    int left, top, width, height, tab;
};

void desenhar(ui::Control& c, const Desenho& d) {
    if (c.kind() == ControlKind::TextBox)
        c.set_text(d.texto);
    else
        c.set_caption(d.texto);
    c.move(d.left, d.top, d.width, d.height);
    c.set_tab_index(d.tab);
}

// Element i of a result array as text ("" when the result has no such element).
std::string elemento(const Variant& resultado, std::size_t i) {
    if (!resultado.is_array())
        return i == 0 ? resultado.to_string() : "";
    const auto& a = resultado.as_array();
    return i < a.size() ? a[i].to_string() : "";
}

void ponteiro(int valor) {
    ui::backend().set_mouse_pointer(valor);
}

NamedInstanceRegistrar g_registro(ui::form_entry<frmKVRFtp>("frmKVRFtp"));

} // namespace

// Controls are added in Tab order, which is also the order a toolkit visits them in.
frmKVRFtp::frmKVRFtp()
    : ui::Form("frmKVRFtp"), Label1_0(add("Label1(0)", ControlKind::Label)),
      Label1_1(add("Label1(1)", ControlKind::Label)),
      txtServer(add("txtServer", ControlKind::TextBox)),
      txtUser(add("txtUser", ControlKind::TextBox)),
      txtPassword(add("txtPassword", ControlKind::TextBox)),
      Label1_2(add("Label1(2)", ControlKind::Label)),
      cmdConnect(add("cmdConnect", ControlKind::CommandButton)),
      cmdDisconnect(add("cmdDisconnect", ControlKind::CommandButton)),
      lstServer(add("lstServer", ControlKind::ListBox)) {
    set_caption("KVRUpload: Cliente FTP");
    set_border_style(ui::bsFixedDialog);
    set_width(kLarguraJanela);
    set_height(kAlturaJanela);
    desenhar(Label1_0, {"Servidor (IP)", 75, 135, 1020, 285, 0});
    desenhar(Label1_1, {"Usuário", 75, 495, 810, 285, 1});
    desenhar(txtServer, {kServidorPadrao, 1035, 90, 3735, 345, 2});
    desenhar(txtUser, {"anonymous", 1035, 495, 1500, 330, 3});
    desenhar(txtPassword, {kSenhaPadrao, 1035, 885, 2580, 345, 4});
    desenhar(Label1_2, {"Senha", 75, 915, 855, 285, 5});
    desenhar(cmdConnect, {"Connect", 3720, 465, 1050, 375, 6});
    desenhar(cmdDisconnect, {"Disconnect", 3720, 885, 1050, 375, 7});
    desenhar(lstServer, {"", 45, 1320, 4755, 1425, 8});
    cmdConnect.on_click = [this] { cmdConnect_Click(); };
    cmdDisconnect.on_click = [this] { cmdDisconnect_Click(); };
    lstServer.on_click = [this] { lstServer_Click(); };
}

frmKVRFtp::~frmKVRFtp() = default;

void frmKVRFtp::Show() {
    try {
        show_modal();
    } catch (...) {
        unload();
        throw;
    }
    unload();
}

// Load: the FTP object (its failure, error 2009, fails the load), then the disconnected
// state. The window opens centred on the screen.
void frmKVRFtp::Form_Load() {
    const ui::Backend& tela = ui::backend();
    move((tela.screen_width() - width()) / 2, (tela.screen_height() - height()) / 2);
    oFtp = std::make_unique<clsKVRUpload>();
    DefinirEstadoConexao(false);
}

// Unload: a connected object is disconnected through the button's handler; never cancelled.
void frmKVRFtp::Form_Unload() {
    if (oFtp && oFtp->Connected_Get().to_bool())
        cmdDisconnect_Click();
    oFtp.reset();
}

void frmKVRFtp::DefinirEstadoConexao(bool bConectado) {
    txtServer.set_enabled(!bConectado);
    txtUser.set_enabled(!bConectado);
    txtPassword.set_enabled(!bConectado);
    cmdConnect.set_enabled(!bConectado);
    cmdDisconnect.set_enabled(bConectado);
}

void frmKVRFtp::cmdConnect_Click() {
    try {
        // 1.
        ponteiro(kPonteiroAmpulheta);
        // 2.
        oFtp->Host_Let(Variant(txtServer.text()));
        oFtp->User_Let(Variant(txtUser.text()));
        oFtp->Password_Let(Variant(txtPassword.text()));
        // 3.
        const Variant conexao = oFtp->Connect(Variant::missing(), Variant::missing(),
                                              Variant::missing(), Variant::missing());
        if (elemento(conexao, 0) == "0") {
            ponteiro(kPonteiroPadrao);
            ui::MsgBox(elemento(conexao, 1));
            return;
        }
        // 4.
        const Variant lista = oFtp->GetDirectoryList(Variant::missing(), Variant("*.*"));
        if (elemento(lista, 0) == "0") {
            ponteiro(kPonteiroPadrao);
            ui::MsgBox(elemento(lista, 1));
            return;
        }
        // 5.
        const auto& nomes = lista.as_array();
        for (std::size_t i = 1; i < nomes.size(); ++i)
            lstServer.add_item(nomes[i].to_string());
        // 6.
        DefinirEstadoConexao(oFtp->Connected_Get().to_bool());
        ponteiro(kPonteiroPadrao);
    } catch (...) {
        // 7.
        ponteiro(kPonteiroPadrao);
        ui::MsgBox(to_com_error(std::current_exception()).description());
    }
}

void frmKVRFtp::cmdDisconnect_Click() {
    try {
        // 1.
        const Variant resultado = oFtp->Disconnect();
        // 2.
        if (elemento(resultado, 0) == "0") {
            ui::MsgBox(elemento(resultado, 1));
            return;
        }
        // 3.
        DefinirEstadoConexao(oFtp->Connected_Get().to_bool());
        lstServer.clear();
    } catch (...) {
        // 4.
        ui::MsgBox(to_com_error(std::current_exception()).description());
    }
}

void frmKVRFtp::lstServer_Click() {
    // 1.
    const std::string selecionado = lstServer.list(lstServer.list_index());
    std::string sNome =
        selecionado.substr(std::min(selecionado.find_first_not_of(' '), selecionado.size()));
    // 2. (GetFile makes the legacy folder "c:\temp\" the platform's temporary folder)
    Variant resultado = oFtp->GetFile(Variant(sNome), Variant("c:\\temp\\" + sNome),
                                      Variant("binary"), Variant("gif"));
    // 3.
    ui::MsgBox("Getfile: " + elemento(resultado, 1));
    // 4.
    if (elemento(resultado, 0) == "0")
        return;
    // 4.1 The name after the last separator of a native or a legacy path.
    const std::string sLocal = elemento(resultado, 1);
    sNome = Mid(sLocal, std::max(InStrRev(sLocal, "\\"), InStrRev(sLocal, "/")) + 1);
    // 4.2
    resultado = oFtp->PutFile(Variant(sLocal), Variant(sNome), Variant("binary"), Variant("gif"));
    // 4.3
    ui::MsgBox("Putfile: " + elemento(resultado, 1));
}

const DispatchTable* frmKVRFtp::dispatch_table() const {
    using Self = frmKVRFtp;
    static const DispatchTable table = [] {
        DispatchBuilder<Self> b("frmKVRFtp");
        b.method("Show", 1, {}, [](Self& f, VariantArray&) {
            f.Show();
            return Variant();
        });
        b.property(
            "Caption", 2, [](Self& f) { return Variant(f.caption()); },
            [](Self& f, const Variant& v) { f.set_caption(v.to_string()); });
        return b.build();
    }();
    return &table;
}

} // namespace kvr
