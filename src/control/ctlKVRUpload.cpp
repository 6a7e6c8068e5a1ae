#include "control/ctlKVRUpload.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"
#include "platform/automation/Err.h"
#include "platform/inet/Inet.h"
#include "platform/ui/DefaultInstance.h"
#include "support/WebPath.h"
#include "transfer/frmKVRProgress.h"

namespace kvr {

namespace {

// errFtpErrors.errInvalidProperty: the control's refused puts share the FTP class's number.
constexpr std::int32_t errInvalidProperty = kObjectError + 2008;

[[noreturn]] void refuse(const char* property, const char* description) {
    throw ComError(errInvalidProperty, std::string("ctlKVRUpload::") + property + "_Let",
                   description);
}

// A flag is stored trimmed and upper-cased, and only as "SIM" or "NAO". A comparison with
// Null is never true, so Null passes the check and is stored.
Variant flag_value(const Variant& vData, const char* property, const char* description) {
    if (vData.is_null())
        return vData;
    std::string flag = ucase(trim(vData.to_string()));
    if (flag != "SIM" && flag != "NAO")
        refuse(property, description);
    return Variant(flag);
}

// A required text is stored as given (untrimmed, same type) unless it is blank.
const Variant& required_value(const Variant& vData, const char* property, const char* description) {
    if (!vData.is_null() && trim(vData.to_string()).empty())
        refuse(property, description);
    return vData;
}

// "Not blank after trimming, and not Null": a property the preparation takes over.
bool informado(const Variant& v) {
    return !blank_or_null(v);
}

// The local file argument as text; an omitted one is the empty text, which the window
// treats like no local file given.
std::string texto_local(const Variant& sArquivo) {
    return sArquivo.is_missing() ? std::string() : sArquivo.to_string();
}

// The declared default of sOptDialog, also for a C++ caller that passes Missing.
Variant opcao_dialogo(const Variant& sOptDialog) {
    return sOptDialog.is_missing() ? Variant("NAO") : sOptDialog;
}

} // namespace

ctlKVRUpload::ctlKVRUpload() : ui::Form("ctlKVRUpload") {
    move(0, 0, 1260, 495);
    ui::Control& label = add("Label1", ui::ControlKind::Label);
    label.set_caption("KVRUpload");
    label.set_fore_color(ui::rgb(0, 0, 255));
    label.move(120, 120, 975, 255);
}

ctlKVRUpload::~ctlKVRUpload() {
    oServidorAsp.reset();
}

// ---- Properties ----

Variant ctlKVRUpload::ExibirProgresso() const {
    return Variant(m_ExibirProgresso.to_string());
}
void ctlKVRUpload::ExibirProgresso(const Variant& vData) {
    m_ExibirProgresso =
        flag_value(vData, "ExibirProgresso", "ExibirProgresso deve ser \"SIM\" ou \"NAO\".");
}

Variant ctlKVRUpload::FecharProgresso() const {
    return Variant(m_FecharProgresso.to_string());
}
void ctlKVRUpload::FecharProgresso(const Variant& vData) {
    m_FecharProgresso =
        flag_value(vData, "FecharProgresso", "FecharProgresso deve ser \"SIM\" ou \"NAO\".");
}

Variant ctlKVRUpload::UserName() const {
    return Variant(m_UserName.to_string());
}
void ctlKVRUpload::UserName(const Variant& vData) {
    m_UserName = required_value(vData, "UserName", "Usuário deve ser informado.");
}

Variant ctlKVRUpload::Password() const {
    return Variant(m_Password.to_string());
}
void ctlKVRUpload::Password(const Variant& vData) {
    m_Password = required_value(vData, "Password", "Senha deve ser informada.");
}

Variant ctlKVRUpload::Protocol() const {
    return Variant(m_Protocol.to_string());
}
void ctlKVRUpload::Protocol(const Variant& vData) {
    m_Protocol = required_value(vData, "Protocol", "Protocolo deve ser informado.");
}

Variant ctlKVRUpload::RemoteHost() const {
    return m_RemoteHost;
}
void ctlKVRUpload::RemoteHost(const Variant& vData) {
    m_RemoteHost = required_value(vData, "RemoteHost", "Host Remoto deve ser informado");
}

Variant ctlKVRUpload::RemotePort() const {
    return m_RemotePort;
}
void ctlKVRUpload::RemotePort(const Variant& vData) {
    m_RemotePort = required_value(vData, "RemotePort", "Porta Remota deve ser informada.");
}

Variant ctlKVRUpload::ProxyAddress() const {
    return m_ProxyAddress;
}
void ctlKVRUpload::ProxyAddress(const Variant& vData) {
    m_ProxyAddress = required_value(vData, "ProxyAddress", "Endereço Proxy deve ser informado.");
}

// ---- Request preparation ----

Variant ctlKVRUpload::ProcessarParametros() {
    Err err;
    frmKVRProgress& frm = ui::DefaultInstance<frmKVRProgress>::get();

    // 1. The protocol, upper-cased but not trimmed: anything but "HTTPS" means plain HTTP.
    err.attempt([&] {
        std::string protocolo = ucase(Protocol().to_string());
        if (protocolo == "HTTP")
            frm.Inet1().set_Protocol(inet::icHTTP);
        else if (protocolo == "HTTPS")
            frm.Inet1().set_Protocol(inet::icHTTPS);
        else
            frm.Inet1().set_Protocol(inet::icHTTP);
    });
    // 2. The system's own connection settings.
    err.attempt([&] { frm.Inet1().set_AccessType(inet::icUseDefault); });
    // 3. The proxy, when one was given.
    err.attempt([&] {
        Variant proxy = ProxyAddress();
        if (informado(proxy))
            frm.Inet1().set_Proxy(proxy.to_string());
    });
    // 4. The port, as a 16-bit number; 80 when none was given.
    err.attempt([&] {
        Variant porta = RemotePort();
        if (informado(porta))
            frm.Inet1().set_RemotePort(porta.to_integer());
        else
            frm.Inet1().set_RemotePort(80);
    });
    // 5. The user name, when one was given.
    err.attempt([&] {
        Variant usuario = UserName();
        if (informado(usuario))
            frm.UserName = usuario.to_string();
    });
    // 6. The password, likewise.
    err.attempt([&] {
        Variant senha = Password();
        if (informado(senha))
            frm.Password = senha.to_string();
    });
    // 7. Any failure above ends the preparation; the window's display flags stay unset.
    if (err.pending()) {
        Variant aStatus = Variant::array({Variant("0"), Variant(err.numbered_text())});
        err.clear();
        return aStatus;
    }
    // 8. The display flags.
    err.attempt([&] { frm.ExibirProgresso = ExibirProgresso().to_string(); });
    err.attempt([&] { frm.FecharProgresso = FecharProgresso().to_string(); });
    return Variant::array({Variant("1"), Variant("Parâmetros processados com Sucesso.")});
}

// ---- Methods ----

Variant ctlKVRUpload::CreateObjectFtp() {
    return Variant(CreateObject("KVRUpload.clsKVRUpload"));
}

Variant ctlKVRUpload::Download(const Variant& sURLFile, const Variant& sOutPutFile,
                               const Variant& sOptDialog) {
    return Transferir(&frmKVRProgress::Download, sURLFile, sOutPutFile, sOptDialog);
}

Variant ctlKVRUpload::UpLoad(const Variant& sURLFile, const Variant& sInPutFile,
                             const Variant& sOptDialog) {
    return Transferir(&frmKVRProgress::UpLoad, sURLFile, sInPutFile, sOptDialog);
}

Variant ctlKVRUpload::Transferir(WindowRoutine rotina, const Variant& sURLFile,
                                 const Variant& sArquivo, const Variant& sOptDialog) {
    Err err;
    Variant aStatus;
    std::string sCaminho;
    Variant vRetorno;

    // 1. Prepare the request.
    err.attempt([&] { aStatus = ProcessarParametros(); });
    // 2. A failed preparation turns progress display off for later requests too, and
    //    leaves the window loaded.
    bool falhou = false;
    err.attempt([&] { falhou = aStatus.as_array().at(0).to_string() == "0"; });
    if (falhou) {
        err.attempt([&] { ExibirProgresso(Variant("NAO")); });
        return aStatus;
    }
    // 3. The server-environment component, once; a missing one is not a failure here.
    if (!oServidorAsp) {
        err.attempt([&] { oServidorAsp = CreateObject("RXTServidorAsp.clsServidor"); });
        err.clear();
    }
    // 4. The local file, resolved (Empty from a failed resolution reads as "").
    err.attempt(
        [&] { sCaminho = DefinirWebPath(oServidorAsp, texto_local(sArquivo)).to_string(); });
    // 5. The window runs the transfer.
    err.attempt([&] {
        frmKVRProgress& frm = ui::DefaultInstance<frmKVRProgress>::get();
        vRetorno = (frm.*rotina)(sURLFile, Variant(sCaminho), opcao_dialogo(sOptDialog));
    });
    // 6. Unload the window and drop it.
    err.attempt([&] { ui::DefaultInstance<frmKVRProgress>::unload(); });
    // 7. Its result, unchanged (Empty when the routine failed without one).
    return vRetorno;
}

// ---- Dispatch ----

namespace {

using C = ctlKVRUpload;

DispatchTable build_table() {
    // Every argument is a Variant by value; sOptDialog's declared default is "NAO".
    std::vector<Param> download_params{Param{"sURLFile", false, std::nullopt},
                                       Param{"sOutPutFile", true, std::nullopt},
                                       Param{"sOptDialog", true, Variant("NAO")}};
    std::vector<Param> upload_params{Param{"sURLFile", false, std::nullopt},
                                     Param{"sInPutFile", true, std::nullopt},
                                     Param{"sOptDialog", true, Variant("NAO")}};
    return DispatchBuilder<C>("ctlKVRUpload")
        .ids("_ctlKVRUpload", C::kClsid, C::kIid, C::kEventIid)
        .property(
            "ExibirProgresso", 0x6803000F, [](C& c) { return c.ExibirProgresso(); },
            [](C& c, const Variant& v) { c.ExibirProgresso(v); })
        .property(
            "FecharProgresso", 0x68030017, [](C& c) { return c.FecharProgresso(); },
            [](C& c, const Variant& v) { c.FecharProgresso(v); })
        .property(
            "UserName", 0x6803000E, [](C& c) { return c.UserName(); },
            [](C& c, const Variant& v) { c.UserName(v); })
        .property(
            "Password", 0x6803000D, [](C& c) { return c.Password(); },
            [](C& c, const Variant& v) { c.Password(v); })
        .property(
            "Protocol", 0x6803000C, [](C& c) { return c.Protocol(); },
            [](C& c, const Variant& v) { c.Protocol(v); })
        .property(
            "RemoteHost", 0x6803000B, [](C& c) { return c.RemoteHost(); },
            [](C& c, const Variant& v) { c.RemoteHost(v); })
        .property(
            "RemotePort", 0x6803000A, [](C& c) { return c.RemotePort(); },
            [](C& c, const Variant& v) { c.RemotePort(v); })
        .property(
            "ProxyAddress", 0x68030009, [](C& c) { return c.ProxyAddress(); },
            [](C& c, const Variant& v) { c.ProxyAddress(v); })
        .method("CreateObjectFtp", 0x60030016, {},
                [](C& c, VariantArray&) { return c.CreateObjectFtp(); })
        .method("Download", 0x60030011, download_params,
                [](C& c, VariantArray& a) { return c.Download(a[0], a[1], a[2]); })
        .method("UpLoad", 0x60030012, upload_params,
                [](C& c, VariantArray& a) { return c.UpLoad(a[0], a[1], a[2]); })
        .slots({"ExibirProgresso put", "ExibirProgresso get", "UserName put", "UserName get",
                "Password put", "Password get", "Protocol put", "Protocol get", "RemoteHost put",
                "RemoteHost get", "RemotePort put", "RemotePort get", "ProxyAddress put",
                "ProxyAddress get", "Download", "UpLoad", "CreateObjectFtp", "FecharProgresso put",
                "FecharProgresso get"})
        .build();
}

const ClassRegistrar registrar(ClassInfo{C::kProgId, C::kClsid,
                                         [] { return std::make_shared<ctlKVRUpload>(); }, true});

} // namespace

const DispatchTable* ctlKVRUpload::dispatch_table() const {
    static const DispatchTable table = build_table();
    return &table;
}

} // namespace kvr
