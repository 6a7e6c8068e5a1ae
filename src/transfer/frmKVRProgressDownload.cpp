// The window's download: GET of one URL into a local file, chunk by chunk, with the
// download panel when progress is shown. Four kinds of failure are also logged.
#include "transfer/frmKVRProgress.h"

#include "dialogs/frmKVRDialog.h"
#include "platform/sys/Cancel.h"
#include "platform/sys/Files.h"
#include "platform/sys/InternetErrors.h"
#include "platform/sys/Library.h"
#include "platform/sys/LocalPath.h"
#include "platform/sys/OutputFile.h"
#include "platform/ui/Backend.h"
#include "platform/ui/DefaultInstance.h"
#include "support/GerarLog.h"
#include "transfer/FailureClass.h"
#include "transfer/MidnightTimer.h"
#include "transfer/Resultado.h"

#include <cerrno>
#include <limits>
#include <optional>

namespace kvr {

using namespace resultado;

namespace {

// MkDir of a folder that is already there is a path/file access error.
void criar_pasta(const std::string& path) {
    auto criada = sys::make_folder(path);
    if (criada)
        return;
    if (criada.error().err == EEXIST && sys::folder_exists(path))
        raise_runtime(rt::PathFileAccessError);
    sys::raise_io_error(criada.error());
}

// The file's number: a file that could not be opened fails every later use with the open's
// error, so the first cause is the one reported. The bytes are written beside the file and
// replace it only when the whole body came: a failed download leaves the old file as it was.
class ArquivoSaida {
  public:
    void abrir(const std::string& path) {
        auto aberto = sys::OutputFile::create(path, sys::OutputFile::Placement::Beside);
        if (!aberto) {
            m_falha = aberto.error();
            sys::raise_io_error(*m_falha);
        }
        m_arquivo.emplace(std::move(aberto.value()));
    }
    void gravar(const void* data, std::size_t size) {
        if (m_falha)
            sys::raise_io_error(*m_falha);
        if (!m_arquivo)
            raise_runtime(rt::BadFileMode);
        if (auto gravado = m_arquivo->write(data, size); !gravado)
            sys::raise_io_error(gravado.error());
    }
    void fechar() {
        if (!m_arquivo)
            return;
        auto concluido = m_arquivo->commit();
        m_arquivo.reset();
        if (!concluido)
            sys::raise_io_error(concluido.error());
    }
    // A transfer that failed or that the host ended: nothing of it stays, and the old file
    // stays as it was.
    void abandonar() { m_arquivo.reset(); }

  private:
    std::optional<sys::OutputFile> m_arquivo;
    std::optional<sys::IoError> m_falha;
};

// A 32-bit counter that overflows as the runtime's Long does: the sum is not made and the
// counter stays as it was. The panel would swallow the overflow error anyway, so none is
// raised: past 2 GiB every chunk would otherwise raise and catch one.
void somar(std::int32_t& contador, std::size_t parcela) {
    const long long soma = static_cast<long long>(contador) + static_cast<long long>(parcela);
    if (soma <= std::numeric_limits<std::int32_t>::max())
        contador = static_cast<std::int32_t>(soma);
}

} // namespace

Variant frmKVRProgress::falha_registrada(const std::string& prefixo) {
    const std::string M = m_err.numbered_text();
    const std::string sMensagemLog = prefixo + M;
    const std::string nome = sys::library_name();
    GerarLog("SIM", nome, sMensagemLog, nome, "Download", true, nome, "c:\\" + nome + ".log");
    set_last_failure_class(failure_class_of(m_err.number()));
    m_err.clear();
    return falha(M);
}

bool frmKVRProgress::interrompido() {
    if (!bInterrompido && !bConcluido && sys::cancel_requested()) {
        bInterrompido = true;
        Err abandono; // the request is dropped whatever the engine says
        abandono.attempt([&] { Inet1().Cancel(); });
    }
    return bInterrompido;
}

Variant frmKVRProgress::interrompida(const std::string& mensagem) {
    set_last_failure_class(FailureClass::Cancelled);
    m_err.clear();
    return falha(mensagem);
}

Variant frmKVRProgress::Download(const Variant& sURLFile, const Variant& sOutPutFile,
                                 const Variant& vOptDialog) {
    Err& err = m_err;
    err.clear();
    bInterrompido = false;
    bConcluido = false;
    set_last_failure_class(FailureClass::Other);
    const bool bExibir = ExibirProgresso == "SIM";
    std::string sOptDialog;
    std::string sURL;
    std::int32_t vCodigoResposta = 0;
    std::string vInfoResposta;
    std::string sCabecalho;
    std::vector<std::string> vLinhasCabecalho;
    std::string sTamanho;

    // 1. - 2. The dialog option and the URL, which must be given.
    if (!ler_opcao_e_url(vOptDialog, sURLFile, sOptDialog, sURL))
        return falha("URL do Arquivo não Informado.");
    // 3. The local file, unless a dialog will ask for it.
    err.attempt([&] {
        sArquivoLocal = (sOptDialog != "NAO" || sOutPutFile.is_missing() || sOutPutFile.is_null())
                            ? std::string()
                            : sOutPutFile.to_string();
    });
    // 4. Neither a local file nor a dialog.
    if (sArquivoLocal.empty() && sOptDialog == "NAO")
        return falha("Arquivo Local ou Opção de Diálogo deve ser informado.");
    // 5. Complete the URL with the file name and start the GET.
    err.attempt([&] { CompletarURL(sArquivoLocal, sURL); });
    err.attempt([&] { Inet1().set_URL(sURL); });
    err.attempt([&] {
        if (!trim(UserName).empty()) {
            Inet1().set_UserName(UserName);
            Inet1().set_Password(Password);
        }
    });
    err.attempt([&] { Inet1().Execute("", "GET"); });
    // 6. The request could not start.
    if (err.pending())
        return falha_registrada("Erro no Execute GET. Erro: ");
    // 7. Wait for the response and read its code and headers.
    err.attempt([&] {
        while (!interrompido() && Inet1().StillExecuting())
            ui::DoEvents();
    });
    err.attempt([&] { vCodigoResposta = Inet1().ResponseCode(); });
    err.attempt([&] { vInfoResposta = Inet1().ResponseInfo(); });
    err.attempt([&] { sCabecalho = Inet1().GetHeader(); });
    err.attempt([&] { vLinhasCabecalho = Split(sCabecalho, "\r\n"); });
    // A host that asked to stop (Ctrl-C) ends the download as the user's cancel does.
    if (interrompido())
        return interrompida("Download Cancelado.");
    // 8. The headers could not be read.
    if (err.pending())
        return falha_registrada("Erro no GetHeader. Erro: ");
    // 9. (A response without any header line has no status line to judge.)
    set_last_failure_class(failure_class_of(vCodigoResposta));
    if (vCodigoResposta == code::CannotConnect)
        return falha("Servidor não Encontrado.");
    if (!vLinhasCabecalho.empty() && !trim(vLinhasCabecalho[0]).empty() &&
        InStr(vLinhasCabecalho[0], " 200 ") == 0) {
        set_last_failure_class(FailureClass::ServerStatus);
        return falha(vLinhasCabecalho[0]);
    }
    if (vCodigoResposta != 0)
        return falha(std::to_string(vCodigoResposta) + " - " + vInfoResposta);
    set_last_failure_class(FailureClass::Other);
    // 10. The first chunk of the body.
    err.attempt([&] { abDados = Inet1().GetChunk(1024, inet::icByteArray); });
    err.attempt([] { ui::DoEvents(); });
    // 11. The first chunk could not be read.
    if (err.pending())
        return falha_registrada("Erro no GetChunk. Erro: ");
    // 12. Counters from zero and the size the response announces.
    dTaxa = 0;
    lRecebidos = 0;
    lBlocos = 0;
    lTotal = 0;
    lTotalKB = 0;
    std::size_t iPosicao = 0;
    err.attempt([&] { iPosicao = InStr(lcase(sCabecalho), "content-length: "); });
    err.attempt([&] { sTamanho = Mid(sCabecalho, iPosicao + 16); });
    err.attempt(
        [&] { sTamanho = Left(sTamanho, static_cast<long long>(InStr(sTamanho, "\r\n")) - 1); });
    err.attempt([&] { lTotal = Variant(sTamanho).to_long(); });
    err.attempt([&] { lTotalKB = Variant(lTotal / 1024.0).to_long(); });
    // 13. The download panel, reset and centred.
    if (bExibir) {
        err.attempt([&] { set_height(Variant(FrameDown.height() * 1.03).to_integer()); });
        err.attempt([&] {
            FrameDown.set_top(0);
            FrameUp.set_visible(false);
            FrameDown.set_visible(true);
        });
        err.attempt([&] { Form_Load(); });
        err.attempt([&] {
            ProgressBar1.set_min(0);
            ProgressBar1.set_max(static_cast<float>(lTotal));
            ProgressBar1.set_value(0);
        });
        err.attempt([&] {
            lblArquivo.set_caption(
                Mid(sArquivoLocal, InStrRev(sArquivoLocal, sys::kSeparator) + 1));
        });
        err.attempt([&] {
            lblBytesTot.set_caption(FormatarTamanho(lTotal));
            lblBytesRec.set_caption(FormatarTamanho(lRecebidos));
        });
        err.attempt([&] { lblBytesTax.set_caption(kbps(dTaxa)); });
        err.attempt([&] {
            lblTempoTot.set_caption(FormatarTempo(0));
            lblTempoDec.set_caption(FormatarTempo(0));
            lblTempoRest.set_caption(FormatarTempo(0));
        });
        err.attempt([&] {
            cmdFechar.set_visible(false);
            lblRest.set_caption("Restante:");
            lblTempoRest.set_fore_color(ui::rgb(0, 0, 0));
        });
    }
    // 14. The Save dialog names the local file.
    if (sOptDialog != "NAO") {
        Variant vArquivoDialogo;
        err.attempt([&] {
            vArquivoDialogo = ui::DefaultInstance<frmKVRDialog>::get().SalvarArquivo(sOptDialog);
        });
        err.attempt([] { ui::DefaultInstance<frmKVRDialog>::unload(); });
        if (cancelado(vArquivoDialogo))
            return falha("Download Cancelado.");
        err.attempt([&] { sArquivoLocal = vArquivoDialogo.to_string(); });
    }
    // 15. Receive the body, under the panel when it is shown.
    if (!bExibir) {
        err.attempt([&] { ExecutarDownload(); });
    } else {
        err.attempt([&] {
            lblArquivo.set_caption(
                Mid(sArquivoLocal, InStrRev(sArquivoLocal, sys::kSeparator) + 1));
        });
        err.attempt([&] { show_modal(); });
    }
    // 16. A failure while receiving.
    // A host that asked to stop (Ctrl-C) ends the download as the user's cancel does.
    if (interrompido())
        return interrompida("Download Cancelado.");
    if (err.pending())
        return falha_registrada("Erro após o ExecutarDownload. Erro: ");
    // 17. Success: "1", the local file and its size.
    set_last_failure_class(FailureClass::None);
    return Variant::array({"1", sArquivoLocal, lTotal});
}

// Writes the body to sArquivoLocal and keeps the panel up to date. The failures a caller
// must hear of (the file cannot be opened or written, a chunk cannot be read, the wait for
// the close button cannot end) stay pending for Download's last check.
void frmKVRProgress::ExecutarDownload() {
    Err& err = m_err;
    Err painel; // a panel that cannot show a value must not fail the transfer
    const bool bExibir = ExibirProgresso == "SIM";
    ArquivoSaida arquivo;

    // 1. The local file's folder.
    std::string sPasta;
    err.attempt([&] {
        sPasta = Left(sArquivoLocal,
                      static_cast<long long>(InStrRev(sArquivoLocal, sys::kSeparator)) - 1);
    });
    // 2. A missing folder is made level by level.
    if (!sys::file_exists(sPasta)) {
        std::vector<std::string> vPastas;
        std::string sCaminho;
        err.attempt([&] { vPastas = Split(sPasta, sys::kSeparator); });
        err.attempt([&] {
            if (vPastas.empty())
                raise_runtime(rt::SubscriptOutOfRange);
            sCaminho = vPastas[0] + sys::kSeparator;
        });
        for (std::size_t iPasta = 1; iPasta < vPastas.size(); ++iPasta) {
            sCaminho += vPastas[iPasta] + sys::kSeparator;
            err.attempt([&] { criar_pasta(sCaminho); });
        }
    }
    // 3. (the writer is the file's number)
    // 4. (an old file of that name is replaced when the body is complete, not before)
    err.clear();
    // 5. Open the local file.
    err.attempt([&] { arquivo.abrir(sArquivoLocal); });
    // 6. The start time.
    const MidnightTimer relogio;
    float vTempo = 0;
    const float vInicio = relogio.Timer();
    bIniciado = true;

    // 7. Write every chunk and update the panel.
    double vTempoTotal = 0;
    double vRestante = 0; // the routine's vTempo once it holds the remaining seconds
    float vDesenhado = -std::numeric_limits<float>::infinity();
    auto desenhar = [&] {
        painel.attempt([&] {
            ProgressBar1.set_value(static_cast<float>(lRecebidos));
            lblBytesRec.set_caption(FormatarTamanho(lRecebidos));
        });
        painel.attempt([&] { lblTempoDec.set_caption(FormatarTempo(vTempo)); });
        painel.attempt([&] { lblBytesTax.set_caption(kbps(dTaxa)); });
        painel.attempt([&] { lblTempoTot.set_caption(FormatarTempo(vTempoTotal)); });
        painel.attempt([&] { lblTempoRest.set_caption(FormatarTempo(vRestante)); });
    };
    bool bRecebeu = false;
    while (!abDados.empty() && !interrompido()) {
        // 7.1 Write the chunk.
        if (!err.attempt([&] { arquivo.gravar(abDados.data(), abDados.size()); }))
            break;
        // 7.2 Let the window work.
        err.attempt([] { ui::DoEvents(); });
        // 7.3 The panel's figures.
        if (bExibir) {
            bRecebeu = true;
            // 7.3.1 Bytes received.
            somar(lRecebidos, abDados.size());
            // 7.3.3 Seconds since the start.
            const float vAgora = relogio.Timer();
            vTempo = vAgora - vInicio;
            // 7.3.4 Chunks received and seconds per chunk.
            somar(lBlocos, 1);
            const double vSegundosBloco = lBlocos > 0 ? vTempo / static_cast<double>(lBlocos) : 0;
            // 7.3.5 The rate.
            if (lTotalKB > 0 && vSegundosBloco > 0)
                dTaxa = lTotal / (vSegundosBloco * lTotalKB * 1024.0);
            // 7.3.7 The expected total time.
            vTempoTotal = vSegundosBloco * lTotalKB;
            // 7.3.8 The time left.
            vRestante = vTempoTotal - vTempo;
            if (vRestante < 0)
                vRestante = 0;
            // 7.3.2, 7.3.3, 7.3.6 - 7.3.8: the bar and the texts of these values.
            if (vAgora - vDesenhado >= kIntervaloDesenho || vAgora < vDesenhado) {
                desenhar();
                vDesenhado = vAgora;
            }
        }
        // 7.4 (a chunk that cannot be read ends the loop; its error stays pending)
        if (!err.attempt([&] { abDados = Inet1().GetChunk(1024, inet::icByteArray); }))
            break;
    }
    if (bRecebeu)
        desenhar();
    // 8. Close the local file; after a failure what was received is dropped.
    abDados.clear();
    // A transfer the host ended leaves no partial file behind, nor a window to close.
    if (interrompido()) {
        err.attempt([&] { arquivo.abandonar(); });
        painel.attempt([&] {
            lblRest.set_caption("Situação:");
            lblTempoRest.set_caption("Cancelado");
        });
        if (bExibir)
            err.attempt([&] { hide(); });
        return;
    }
    if (err.pending())
        arquivo.abandonar();
    else
        err.attempt([&] { arquivo.fechar(); });
    bConcluido = !err.pending();
    // 9. No panel: done.
    if (!bExibir)
        return;
    // 10. The panel says the download is complete.
    painel.attempt([&] {
        lblTempoRest.set_fore_color(ui::rgb(0, 0, 255));
        lblRest.set_caption("Situação:");
        lblTempoRest.set_caption("Concluído");
    });
    // 11. Wait for the close button, or close at once.
    if (FecharProgresso != "SIM") {
        painel.attempt([&] { cmdFechar.set_visible(true); });
        err.attempt([&] { ui::backend().wait_until([this] { return bFechar; }); });
        return;
    }
    err.attempt([] { ui::DoEvents(); });
    err.attempt([&] { hide(); });
}

} // namespace kvr
