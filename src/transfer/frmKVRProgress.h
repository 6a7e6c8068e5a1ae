// The transfer window: every HTTP/HTTPS download and upload of the control runs through its
// Internet Transfer control Inet1, and its two panels show the progress when asked to.
// The control fills the public variables and Inet1's settings, calls Download or UpLoad, and
// unloads the window afterwards, so each transfer starts with a fresh window.
#pragma once

#include "platform/automation/Err.h"
#include "platform/automation/Variant.h"
#include "platform/inet/Inet.h"
#include "platform/ui/Form.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kvr {

class DispatchTable;

class frmKVRProgress : public ui::Form {
  public:
    frmKVRProgress();
    ~frmKVRProgress() override;

    // Public variables, written by the control before Download or UpLoad.
    std::string ExibirProgresso; // "SIM": show the window during the transfer
    std::string FecharProgresso; // "SIM": the window hides itself when the transfer ends
    std::string UserName;
    std::string Password;

    // The window's Internet Transfer control; its first use loads the window.
    inet::Inet& Inet1();

    // GET of sURLFile into a local file: ("1", path, announced size) or ("0", message).
    Variant Download(const Variant& sURLFile, const Variant& sOutPutFile,
                     const Variant& sOptDialog);
    // PUT of a local file (or, with sOptDialog "STREAM", of the text sInPutFile):
    // ("1", path or "Stream", size) or ("0", message).
    Variant UpLoad(const Variant& sURLFile, const Variant& sInPutFile, const Variant& sOptDialog);

    // Display routines, shared with the command-line host's terminal progress line.
    static std::string FormatarTamanho(double bytes);
    static std::string FormatarTempo(double seconds);
    // Appends the local file's name to a URL that names no file (changed in place).
    static void CompletarURL(const std::string& sLocal, std::string& sURL);

    // The close buttons: hide the window, then tell the waiting routine.
    void cmdFechar_Click();
    void cmdFecharUp_Click();

    // The start-once flag and the close flag, as the routines see them.
    bool iniciado() const { return bIniciado; }
    bool fechar() const { return bFechar; }

    // The window's controls (upload panel, download panel), in twips as designed.
    ui::Control& FrameUp;
    ui::Control& Label14;
    ui::Control& Image2;
    ui::Control& cmdFecharUp;
    ui::Control& Label15;
    ui::Control& lblArquivoUp;
    ui::Control& ProgressBarUp;
    ui::Control& Frame5;
    ui::Control& Label9;
    ui::Control& lblBytesTotUp;
    ui::Control& lblTempoDesc;
    ui::Control& lblTempoDecUp;
    ui::Control& lblTaxUp;
    ui::Control& lblBytesTaxUp;
    ui::Control& FrameDown;
    ui::Control& Label1;
    ui::Control& Image1;
    ui::Control& cmdFechar;
    ui::Control& Label5;
    ui::Control& lblArquivo;
    ui::Control& ProgressBar1;
    ui::Control& Frame1;
    ui::Control& Label2;
    ui::Control& lblBytesTot;
    ui::Control& Label3;
    ui::Control& lblBytesRec;
    ui::Control& Label4;
    ui::Control& lblBytesTax;
    ui::Control& Frame2;
    ui::Control& Label8;
    ui::Control& lblTempoTot;
    ui::Control& Label7;
    ui::Control& lblTempoDec;
    ui::Control& lblRest;
    ui::Control& lblTempoRest;

    const DispatchTable* dispatch_table() const override;

  protected:
    void Form_Load() override;
    void Form_Paint() override;

  private:
    void ExecutarDownload();
    void ExecutarUpload();
    // A failure of the download that is also written to the log.
    Variant falha_registrada(const std::string& prefixo);
    // The first steps of both transfers: the dialog option ("NAO" when none is given) and
    // the URL; false when no URL is given.
    bool ler_opcao_e_url(const Variant& vOptDialog, const Variant& sURLFile,
                         std::string& sOptDialog, std::string& sURL);
    // True once the host asked for the work to end; the request is then abandoned at once.
    bool interrompido();
    // The failure of a transfer the host ended.
    Variant interrompida(const std::string& mensagem);

    bool bFechar = false;
    bool bIniciado = false;
    bool bInterrompido = false; // the host ended the running transfer
    // The transfer is over (file committed, response in): a later request to stop only
    // closes the window, as its close button would, and the transfer's result stands.
    bool bConcluido = false;

    // One deferred-error scope for the window's routines: the download's steps and the
    // receive loop share it, as they share the pending error.
    Err m_err;

    std::unique_ptr<inet::Inet> m_inet;

    // Fields of the transfer routines.
    std::string sArquivoLocal;
    ByteArray abDados;
    std::string sDados; // the upload's data as sent, for a text
    // The upload's file, read as it is sent: the body is the file's content, as when the
    // whole file was read into memory first, without holding a copy of it.
    std::shared_ptr<const sys::InputFile> oArquivo;
    std::int32_t lTotal = 0;
    std::int32_t lTotalKB = 0;
    std::int32_t lRecebidos = 0;
    std::int32_t lBlocos = 0;
    double dTaxa = 0;
};

} // namespace kvr
