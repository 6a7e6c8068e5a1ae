#include "transfer/frmKVRProgress.h"

#include "platform/automation/DispatchTable.h"
#include "platform/automation/NamedInstances.h"
#include "platform/sys/LocalPath.h"
#include "platform/ui/Backend.h"
#include "platform/ui/DefaultInstance.h"

#include <cstdint>

namespace kvr {

namespace {

using ui::ControlKind;
using ui::rgb;

constexpr std::int32_t kFundo = rgb(224, 224, 224);
constexpr std::int32_t kTextoFixo = rgb(64, 64, 64);
const ui::Font kFonteFixa{"Tahoma", 6.75, true};
const ui::Font kFonteValor{"Tahoma", 6.75, false};
const ui::Font kFonteTitulo{"Tahoma", 8.25, true};

// The design-time size of the window: both panels, one above the other.
constexpr int kLarguraJanela = 5865;
constexpr int kAlturaJanela = 4905;

struct Posicao {
    int left, top, width, height;
};

void posicionar(ui::Control& c, Posicao p) {
    c.move(p.left, p.top, p.width, p.height);
}

// A fixed text: Tahoma bold 6.75 in dark grey.
void texto_fixo(ui::Control& c, const char* texto, Posicao p) {
    c.set_caption(texto);
    c.set_font(kFonteFixa);
    c.set_fore_color(kTextoFixo);
    c.set_back_color(kFundo);
    posicionar(c, p);
}

// A value: Tahoma regular 6.75, its own name until the routines fill it.
void texto_valor(ui::Control& c, Posicao p) {
    c.set_caption(c.name());
    c.set_font(kFonteValor);
    c.set_back_color(kFundo);
    posicionar(c, p);
}

void titulo(ui::Control& c, const char* texto, Posicao p) {
    c.set_caption(texto);
    c.set_font(kFonteTitulo);
    c.set_back_color(kFundo);
    posicionar(c, p);
}

void moldura(ui::Control& c, const char* texto, Posicao p) {
    c.set_caption(texto);
    c.set_font(kFonteFixa);
    c.set_fore_color(kTextoFixo);
    c.set_back_color(kFundo);
    posicionar(c, p);
}

// CInt / CLng of the legacy runtime: nearest, halves to even, Overflow outside the range.
std::int16_t cint(double v) {
    return Variant(v).to_integer();
}
std::int32_t clng(double v) {
    return Variant(v).to_long();
}

NamedInstanceRegistrar g_registro(ui::form_entry<frmKVRProgress>("frmKVRProgress"));

} // namespace

frmKVRProgress::frmKVRProgress()
    : ui::Form("frmKVRProgress"), FrameUp(add("FrameUp", ControlKind::Frame)),
      Label14(add("Label14", ControlKind::Label, &FrameUp)),
      Image2(add("Image2", ControlKind::Image, &FrameUp)),
      cmdFecharUp(add("cmdFecharUp", ControlKind::CommandButton, &FrameUp)),
      Label15(add("Label15", ControlKind::Label, &FrameUp)),
      lblArquivoUp(add("lblArquivoUp", ControlKind::Label, &FrameUp)),
      ProgressBarUp(add("ProgressBarUp", ControlKind::ProgressBar, &FrameUp)),
      Frame5(add("Frame5", ControlKind::Frame, &FrameUp)),
      Label9(add("Label9", ControlKind::Label, &Frame5)),
      lblBytesTotUp(add("lblBytesTotUp", ControlKind::Label, &Frame5)),
      lblTempoDesc(add("lblTempoDesc", ControlKind::Label, &Frame5)),
      lblTempoDecUp(add("lblTempoDecUp", ControlKind::Label, &Frame5)),
      lblTaxUp(add("lblTaxUp", ControlKind::Label, &Frame5)),
      lblBytesTaxUp(add("lblBytesTaxUp", ControlKind::Label, &Frame5)),
      FrameDown(add("FrameDown", ControlKind::Frame)),
      Label1(add("Label1", ControlKind::Label, &FrameDown)),
      Image1(add("Image1", ControlKind::Image, &FrameDown)),
      cmdFechar(add("cmdFechar", ControlKind::CommandButton, &FrameDown)),
      Label5(add("Label5", ControlKind::Label, &FrameDown)),
      lblArquivo(add("lblArquivo", ControlKind::Label, &FrameDown)),
      ProgressBar1(add("ProgressBar1", ControlKind::ProgressBar, &FrameDown)),
      Frame1(add("Frame1", ControlKind::Frame, &FrameDown)),
      Label2(add("Label2", ControlKind::Label, &Frame1)),
      lblBytesTot(add("lblBytesTot", ControlKind::Label, &Frame1)),
      Label3(add("Label3", ControlKind::Label, &Frame1)),
      lblBytesRec(add("lblBytesRec", ControlKind::Label, &Frame1)),
      Label4(add("Label4", ControlKind::Label, &Frame1)),
      lblBytesTax(add("lblBytesTax", ControlKind::Label, &Frame1)),
      Frame2(add("Frame2", ControlKind::Frame, &FrameDown)),
      Label8(add("Label8", ControlKind::Label, &Frame2)),
      lblTempoTot(add("lblTempoTot", ControlKind::Label, &Frame2)),
      Label7(add("Label7", ControlKind::Label, &Frame2)),
      lblTempoDec(add("lblTempoDec", ControlKind::Label, &Frame2)),
      lblRest(add("lblRest", ControlKind::Label, &Frame2)),
      lblTempoRest(add("lblTempoRest", ControlKind::Label, &Frame2)),
      m_inet(std::make_unique<inet::Inet>()) {
    // The window: no border, no title bar, not in the task bar; its caption is never seen.
    set_caption("Download");
    set_border_style(ui::bsNone);
    set_back_color(kFundo);
    set_width(kLarguraJanela);
    set_height(kAlturaJanela);
    add("Inet1", ControlKind::Invisible).set_visible(false);

    // Upload panel.
    moldura(FrameUp, "", {90, 2790, 5685, 2025});
    titulo(Label14, "Progresso do Upload", {1815, 210, 2055, 255});
    posicionar(Image2, {150, 180, 480, 480});
    titulo(cmdFecharUp, "X", {5160, 210, 315, 315});
    texto_fixo(Label15, "Enviando Arquivo:", {180, 690, 1875, 255});
    texto_valor(lblArquivoUp, {1620, 690, 3675, 195});
    posicionar(ProgressBarUp, {180, 930, 5295, 255});
    moldura(Frame5, "Transferência ", {180, 1290, 5295, 555});
    texto_fixo(Label9, "Total:", {120, 240, 615, 255});
    texto_valor(lblBytesTotUp, {600, 240, 975, 195});
    texto_fixo(lblTempoDesc, "Tempo:", {1740, 240, 915, 255});
    texto_valor(lblTempoDecUp, {2340, 240, 1095, 195});
    texto_fixo(lblTaxUp, "Taxa:", {3480, 240, 975, 255});
    texto_valor(lblBytesTaxUp, {3960, 240, 1215, 195});

    // Download panel.
    moldura(FrameDown, "", {90, 0, 5685, 2685});
    titulo(Label1, "Progresso do Download", {1815, 210, 2055, 255});
    posicionar(Image1, {150, 180, 480, 480});
    titulo(cmdFechar, "X", {5160, 270, 315, 315});
    texto_fixo(Label5, "Recebendo Arquivo:", {180, 690, 1875, 255});
    texto_valor(lblArquivo, {1740, 690, 3675, 195});
    posicionar(ProgressBar1, {180, 930, 5295, 255});
    moldura(Frame1, "Transferência ", {180, 1290, 5295, 555});
    texto_fixo(Label2, "Total:", {120, 240, 615, 255});
    texto_valor(lblBytesTot, {600, 240, 975, 195});
    texto_fixo(Label3, "Recebidos:", {1620, 240, 915, 255});
    texto_valor(lblBytesRec, {2460, 240, 915, 195});
    texto_fixo(Label4, "Taxa:", {3480, 240, 975, 255});
    texto_valor(lblBytesTax, {3960, 240, 1275, 195});
    moldura(Frame2, "Tempo ", {180, 1950, 5295, 555});
    texto_fixo(Label8, "Total:", {120, 240, 615, 255});
    texto_valor(lblTempoTot, {600, 240, 915, 195});
    texto_fixo(Label7, "Decorrido:", {1620, 240, 915, 255});
    texto_valor(lblTempoDec, {2460, 240, 915, 195});
    texto_fixo(lblRest, "Restante:", {3480, 240, 975, 255});
    texto_valor(lblTempoRest, {4260, 240, 915, 195});

    cmdFechar.on_click = [this] { cmdFechar_Click(); };
    cmdFecharUp.on_click = [this] { cmdFecharUp_Click(); };
}

frmKVRProgress::~frmKVRProgress() = default;

inet::Inet& frmKVRProgress::Inet1() {
    ensure_loaded();
    return *m_inet;
}

bool frmKVRProgress::ler_opcao_e_url(const Variant& vOptDialog, const Variant& sURLFile,
                                     std::string& sOptDialog, std::string& sURL) {
    m_err.attempt([&] {
        sOptDialog = blank_or_null(vOptDialog) ? "NAO" : ucase(trim(vOptDialog.to_string()));
    });
    bool bSemURL = true;
    m_err.attempt([&] {
        bSemURL = blank_or_null(sURLFile);
        if (!bSemURL)
            sURL = sURLFile.to_string();
    });
    return !bSemURL;
}

// Load routine: centre the window on the screen and clear the flags.
void frmKVRProgress::Form_Load() {
    const ui::Backend& tela = ui::backend();
    // 1. The position that centres the window.
    const std::int16_t esquerda = cint((tela.screen_width() - width()) * 0.5);
    const std::int16_t topo = cint((tela.screen_height() - height()) * 0.5);
    // 2. Move it there.
    move(esquerda, topo);
    // 3. Not started, not asked to close.
    bIniciado = false;
    bFechar = false;
}

// Paint handler: the first paint starts the transfer routine of the visible panel.
void frmKVRProgress::Form_Paint() {
    // 1. Already started: nothing to do.
    if (bIniciado)
        return;
    // 2. The upload or the download, by the panel shown.
    if (FrameUp.visible())
        ExecutarUpload();
    else
        ExecutarDownload();
}

void frmKVRProgress::cmdFechar_Click() {
    hide();
    bFechar = true;
}

void frmKVRProgress::cmdFecharUp_Click() {
    hide();
    bFechar = true;
}

std::string frmKVRProgress::FormatarTamanho(double bytes) {
    // Thresholds are powers of ten, divisors powers of two.
    struct Unidade {
        double limite;
        double divisor;
        const char* nome;
    };
    static const Unidade unidades[] = {
        {1e3, 1.0, " bytes"},
        {1e6, 1024.0, " KB"},
        {1e9, 1048576.0, " MB"},
        {1e12, 1073741824.0, " GB"},
    };
    // 1. Under a thousand: bytes.
    if (bytes < 1e3)
        return format_number(bytes, 0) + " bytes";
    // 2. - 4. KB, MB or GB, by the first limit the size stays under.
    for (const Unidade& u : unidades)
        if (bytes < u.limite)
            return format_number(cint(bytes / u.divisor), 0) + u.nome;
    // 5. Anything larger: TB.
    return format_number(cint(bytes / 1099511627776.0), 0) + " TB";
}

std::string frmKVRProgress::FormatarTempo(double seconds) {
    // 1. Whole hours, taken off the seconds.
    std::int32_t h = 0;
    if (seconds >= 3600) {
        h = clng(seconds / 3600);
        if (seconds - h * 3600.0 < 0)
            --h;
        seconds -= h * 3600.0;
    }
    // 2. Whole minutes, taken off the seconds.
    std::int32_t m = 0;
    if (seconds >= 60) {
        m = clng(seconds / 60);
        if (seconds - m * 60.0 < 0)
            --m;
        seconds -= m * 60.0;
    }
    // 3. The seconds left.
    const std::int32_t s = clng(seconds);
    // 4. Each non-zero part with its unit.
    std::string texto;
    if (h >= 1)
        texto = format_number(h, 0) + "h ";
    if (m > 0)
        texto += format_number(m, 0) + "min ";
    if (s > 0)
        texto += format_number(s, 0) + "s";
    // 5. Nothing to show: under a second.
    if (texto.empty())
        texto = "< 1s";
    return texto;
}

// Local paths are split at the native separator, URLs at "/".
void frmKVRProgress::CompletarURL(const std::string& sLocal, std::string& sURL) {
    // 1. The local file's name.
    const std::string nome = Mid(sLocal, InStrRev(sLocal, sys::kSeparator) + 1);
    // 2. The URL's last part.
    const std::string ultimo = Mid(sURL, InStrRev(sURL, "/") + 1);
    // 3. A last part with a "." names a file already: the URL is complete.
    if (InStr(ultimo, ".") > 0)
        return;
    // 4. Otherwise the file's name goes after the URL's folder.
    if (!sURL.empty() && sURL.back() == '/')
        sURL += nome;
    else
        sURL += "/" + nome;
}

const DispatchTable* frmKVRProgress::dispatch_table() const {
    using Self = frmKVRProgress;
    auto variavel = [](std::string Self::*campo) {
        return std::make_pair(
            std::function<Variant(Self&)>([campo](Self& f) { return Variant(f.*campo); }),
            std::function<void(Self&, const Variant&)>(
                [campo](Self& f, const Variant& v) { f.*campo = v.to_string(); }));
    };
    static const DispatchTable table = [&] {
        DispatchBuilder<Self> b("frmKVRProgress");
        int dispid = 1;
        for (auto [nome, campo] :
             {std::pair{"ExibirProgresso", &Self::ExibirProgresso},
              std::pair{"FecharProgresso", &Self::FecharProgresso},
              std::pair{"UserName", &Self::UserName}, std::pair{"Password", &Self::Password}}) {
            auto [get, put] = variavel(campo);
            b.property(nome, dispid++, get, put);
        }
        b.method("Download", dispid++, {{"sURLFile"}, {"sOutPutFile"}, {"sOptDialog"}},
                 [](Self& f, VariantArray& a) { return f.Download(a.at(0), a.at(1), a.at(2)); });
        b.method("UpLoad", dispid++, {{"sURLFile"}, {"sInPutFile"}, {"sOptDialog"}},
                 [](Self& f, VariantArray& a) { return f.UpLoad(a.at(0), a.at(1), a.at(2)); });
        return b.build();
    }();
    return &table;
}

} // namespace kvr
