// The window's upload: one PUT of a local file, or of a text the caller gives, with the
// upload panel when progress is shown. Forbidden extensions never leave the machine.
#include "transfer/frmKVRProgress.h"

#include "dialogs/frmKVRDialog.h"
#include "platform/sys/Codeset.h"
#include "platform/sys/Files.h"
#include "platform/sys/InternetErrors.h"
#include "platform/sys/LocalPath.h"
#include "platform/ui/Backend.h"
#include "platform/ui/DefaultInstance.h"
#include "transfer/FailureClass.h"
#include "transfer/MidnightTimer.h"
#include "transfer/Resultado.h"

#include <limits>
#include <optional>

namespace kvr {

using namespace resultado;

namespace {

frmKVRDialog& dialogo() {
    return ui::DefaultInstance<frmKVRDialog>::get();
}
void liberar_dialogo() {
    ui::DefaultInstance<frmKVRDialog>::unload();
}

// The file to send, opened and measured now: one that cannot be read fails here and no body
// is ever sent for it. A file too large for the 32-bit length the upload counts in is an
// Overflow, as its text would have been.
std::shared_ptr<const sys::InputFile> abrir_arquivo(const std::string& path) {
    auto aberto = sys::InputFile::open(path);
    if (!aberto)
        sys::raise_io_error(aberto.error());
    auto arquivo = std::make_shared<const sys::InputFile>(std::move(aberto.value()));
    if (arquivo->size() > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        raise_runtime(rt::Overflow);
    return arquivo;
}

} // namespace

Variant frmKVRProgress::UpLoad(const Variant& sURLFile, const Variant& sInPutFile,
                               const Variant& vOptDialog) {
    Err& err = m_err;
    err.clear();
    bInterrompido = false;
    bConcluido = false;
    set_last_failure_class(FailureClass::Other);
    const bool bExibir = ExibirProgresso == "SIM";
    std::string sOptDialog;
    std::string sURL;
    std::int32_t iCodigo = 0;
    std::string sInfo;
    std::vector<std::string> vLinhas;

    // 1. - 2. The dialog option and the URL, which must be given.
    if (!ler_opcao_e_url(vOptDialog, sURLFile, sOptDialog, sURL))
        return falha("URL do Arquivo não Informado.");
    sDados.clear();
    oArquivo.reset();
    lTotal = 0;
    // 3. A file to send (any option but "STREAM").
    if (sOptDialog != "STREAM") {
        // 3.1 The local file given, which must exist and have an extension.
        sArquivoLocal.clear();
        if (!sInPutFile.is_missing() && !sInPutFile.is_null() && sOptDialog == "NAO") {
            err.attempt([&] { sArquivoLocal = sInPutFile.to_string(); });
            // An empty path is no path: every host passes one for an omitted argument.
            if (!sArquivoLocal.empty() &&
                (!sys::file_exists(sArquivoLocal) || InStr(sArquivoLocal, ".") == 0))
                return falha("Arquivo Local não Existe.");
        }
        // 3.2 Neither a local file nor a dialog.
        if (sOptDialog == "NAO" && sArquivoLocal.empty())
            return falha("Arquivo Local ou Opção de Diálogo deve ser informado.");
        // 3.3 The Open dialog names the local file.
        if (sOptDialog != "NAO") {
            Variant vArquivo;
            err.attempt([&] { vArquivo = dialogo().AbrirArquivo(sOptDialog); });
            if (cancelado(vArquivo)) {
                liberar_dialogo();
                return falha("Upload Cancelado.");
            }
            err.attempt([&] { sArquivoLocal = vArquivo.to_string(); });
        }
        // 3.4 A local file with a forbidden extension is refused.
        if (const std::size_t ponto = InStr(sArquivoLocal, "."); ponto > 0) {
            const std::string extensao = trim(Mid(sArquivoLocal, ponto + 1));
            bool bProibida = false;
            err.attempt([&] { bProibida = dialogo().ExtensaoProibida(extensao); });
            if (bProibida) {
                liberar_dialogo();
                return falha(frmKVRDialog::MensagemExtensaoProibida(extensao));
            }
        }
        // 3.5 Complete the URL with the file name.
        err.attempt([&] { CompletarURL(sArquivoLocal, sURL); });
        // 3.6 A URL with a forbidden extension is refused.
        if (const std::size_t ponto = InStrRev(sURL, "."); ponto > 0) {
            const std::string extensao = trim(Mid(sURL, ponto + 1));
            bool bProibida = false;
            err.attempt([&] {
                bProibida = InStr(extensao, "/") == 0 && dialogo().ExtensaoProibida(extensao);
            });
            if (bProibida) {
                liberar_dialogo();
                return falha(frmKVRDialog::MensagemExtensaoProibida(extensao));
            }
        }
        // 3.7 The dialog is done with.
        err.attempt([] { liberar_dialogo(); });
        // 3.8 (a file that cannot be read is a failure: an empty body is never sent for it)
        if (!err.attempt([&] { oArquivo = abrir_arquivo(sArquivoLocal); })) {
            set_last_failure_class(failure_class_of(err.number()));
            const std::string mensagem = err.numbered_text();
            err.clear();
            return falha(mensagem);
        }
        err.attempt([] { ui::DoEvents(); });
        // 6. (the length of the file's text: one character per byte)
        lTotal = static_cast<std::int32_t>(oArquivo->size());
    } else {
        // 4. A text to send: the argument itself, in the locale's codeset.
        std::string sTexto;
        err.attempt([&] {
            sTexto = sInPutFile.to_string();
            sDados = sys::to_locale_codeset(sTexto);
        });
        sArquivoLocal = "Stream";
        err.attempt([] { ui::DoEvents(); });
        // 6. The size to send.
        err.attempt([&] { lTotal = Variant(static_cast<double>(char_count(sTexto))).to_long(); });
    }
    // 5. Where it goes.
    err.attempt([&] { Inet1().set_URL(sURL); });
    // 7. Send, under the panel when it is shown.
    if (!bExibir) {
        err.attempt([&] { ExecutarUpload(); });
    } else {
        // 8. The upload panel, reset and centred.
        err.attempt([&] { set_height(Variant(FrameUp.height() * 1.05).to_integer()); });
        err.attempt([&] {
            FrameUp.set_top(0);
            FrameUp.set_visible(true);
            FrameDown.set_visible(false);
        });
        err.attempt([&] { Form_Load(); });
        // 9. The panel's starting figures.
        err.attempt([&] {
            ProgressBarUp.set_min(0);
            ProgressBarUp.set_max(static_cast<float>(lTotal));
            ProgressBarUp.set_value(0);
        });
        err.attempt([&] {
            lblArquivoUp.set_caption(
                Mid(sArquivoLocal, InStrRev(sArquivoLocal, sys::kSeparator) + 1));
        });
        err.attempt([&] { lblBytesTotUp.set_caption(FormatarTamanho(lTotal)); });
        err.attempt([&] { lblBytesTaxUp.set_caption(kbps(0)); });
        err.attempt([&] { lblTempoDecUp.set_caption(FormatarTempo(0)); });
        err.attempt([&] {
            cmdFecharUp.set_visible(false);
            lblTaxUp.set_caption("Taxa:");
            lblBytesTaxUp.set_fore_color(ui::rgb(0, 0, 0));
            lblBytesTaxUp.set_alignment(ui::AlignLeft);
        });
        // 10. Show it: its paint starts the upload.
        err.attempt([&] { show_modal(); });
    }
    // 11. The response's code and headers.
    err.attempt([&] { iCodigo = Inet1().ResponseCode(); });
    err.attempt([&] { sInfo = Inet1().ResponseInfo(); });
    err.attempt([&] { vLinhas = Split(Inet1().GetHeader(), "\r\n"); });
    sDados.clear();
    sDados.shrink_to_fit();
    oArquivo.reset();
    // A host that asked to stop (Ctrl-C) ends the upload as the user's cancel does.
    if (interrompido())
        return interrompida("Upload Cancelado.");
    // 12.1 A failure on the way.
    if (err.pending()) {
        set_last_failure_class(failure_class_of(err.number()));
        const std::string mensagem = err.numbered_text();
        err.clear();
        return falha(mensagem);
    }
    set_last_failure_class(failure_class_of(iCodigo));
    // 12.2 No server.
    if (iCodigo == code::CannotConnect)
        return falha("Servidor não Encontrado.");
    // 12.3 (a response without any header line has no status line to judge)
    if (!vLinhas.empty() && !trim(vLinhas[0]).empty() && InStr(vLinhas[0], " 200 ") == 0 &&
        InStr(vLinhas[0], " 201 ") == 0) {
        set_last_failure_class(FailureClass::ServerStatus);
        return falha(vLinhas[0]);
    }
    // 12.4 Any other code of the Internet library.
    if (iCodigo != 0)
        return falha(std::to_string(iCodigo) + " - " + sInfo);
    // 12.5 Success: "1", the local file and the size.
    set_last_failure_class(FailureClass::None);
    return Variant::array({"1", sArquivoLocal, lTotal});
}

// Sends the data and waits for the response. Without the window an error ends it at once
// and stays pending for UpLoad; with the window (run from the paint handler) a failed
// request ends the wait, shows "Cancelado" and is still reported by UpLoad.
void frmKVRProgress::ExecutarUpload() {
    Err painel;
    const bool bExibir = ExibirProgresso == "SIM";
    std::optional<ComError> falha_do_pedido;
    const MidnightTimer relogio;
    float inicio = 0;
    float decorrido = 0;
    std::int32_t iVoltas = 0;
    double taxa = 0;
    try {
        // 1. The credentials, when a user is given.
        if (!trim(UserName).empty()) {
            Inet1().set_UserName(UserName);
            Inet1().set_Password(Password);
        }
        // 2. Start the PUT with the file or the text.
        if (oArquivo)
            Inet1().Execute("", "PUT", std::move(oArquivo));
        else
            Inet1().Execute("", "PUT", std::move(sDados));
        sDados = std::string();
        // 3. The start time.
        if (bExibir) {
            decorrido = 0;
            inicio = relogio.Timer();
        }
        // 4. Started.
        bIniciado = true;
        // 5. Wait for the response and update the panel.
        float desenhado = -std::numeric_limits<float>::infinity();
        while (!interrompido() && Inet1().StillExecuting()) {
            // 5.1 Let the window work.
            ui::DoEvents();
            // 5.2 The panel's estimate, time and rate.
            if (bExibir) {
                if (iVoltas < std::numeric_limits<std::int32_t>::max())
                    ++iVoltas;
                const std::int32_t estimativa =
                    Variant((1 - 1.0 / iVoltas) * (lTotal * 0.95)).to_long();
                const float agora = relogio.Timer();
                decorrido = agora - inicio;
                if (decorrido > 0)
                    taxa = lTotal / (decorrido * 1024.0);
                if (agora - desenhado >= kIntervaloDesenho || agora < desenhado) {
                    painel.attempt(
                        [&] { ProgressBarUp.set_value(static_cast<float>(estimativa)); });
                    painel.attempt([&] { lblTempoDecUp.set_caption(FormatarTempo(decorrido)); });
                    painel.attempt([&] { lblBytesTaxUp.set_caption(kbps(taxa)); });
                    desenhado = agora;
                }
            }
        }
        bConcluido = !interrompido(); // a stop heard inside the last poll still counts
        if (bExibir)
            painel.attempt([&] { lblTempoDecUp.set_caption(FormatarTempo(decorrido)); });
    } catch (...) {
        if (!bExibir)
            throw;
        bIniciado = true;
        falha_do_pedido = to_com_error(std::current_exception());
        m_err.raise(*falha_do_pedido);
    }
    // 6. No panel: done.
    if (!bExibir) {
        m_err.clear();
        return;
    }
    // 7. The panel says how the upload ended.
    painel.attempt([&] {
        ProgressBarUp.set_value(static_cast<float>(lTotal));
        lblBytesTaxUp.set_fore_color(ui::rgb(0, 0, 255));
        lblTaxUp.set_caption("Situação:");
        lblBytesTaxUp.set_caption(m_err.pending() || interrompido() ? "Cancelado" : "Concluído");
        lblBytesTaxUp.set_alignment(ui::AlignCenter);
    });
    // 8. Wait for the close button, or close at once.
    if (FecharProgresso != "SIM" && !interrompido()) {
        painel.attempt([&] { cmdFecharUp.set_visible(true); });
        m_err.attempt([&] { ui::backend().wait_until([this] { return bFechar; }); });
    } else {
        m_err.attempt([] { ui::DoEvents(); });
        m_err.attempt([&] { hide(); });
    }
    // 9. (a request that could not be made is still the caller's failure)
    m_err.clear();
    if (falha_do_pedido)
        m_err.raise(*falha_do_pedido);
}

} // namespace kvr
