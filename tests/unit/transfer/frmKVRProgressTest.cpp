// The transfer window on the headless backend: its design, the centring of the load routine,
// the start-once rule of the paint handler, the close buttons, and its late-bound surface.
#include "transfer/frmKVRProgress.h"

#include "platform/automation/NamedInstances.h"
#include "platform/ui/DefaultInstance.h"
#include "platform/ui/HeadlessBackend.h"

#include <gtest/gtest.h>

namespace {

using kvr::frmKVRProgress;
using kvr::Variant;
using kvr::ui::rgb;

class JanelaDeProgresso : public ::testing::Test {
  protected:
    void SetUp() override {
        ui = kvr::ui::headless();
        ASSERT_NE(ui, nullptr);
        ui->clear_queue();
        ui->set_screen(15360, 11520);
    }
    void TearDown() override {
        kvr::ui::DefaultInstance<frmKVRProgress>::unload();
        ui->set_screen(15360, 11520);
    }
    kvr::ui::HeadlessBackend* ui = nullptr;
};

TEST_F(JanelaDeProgresso, ControlsAsDesigned) {
    frmKVRProgress f;
    enum Fonte { Fixa, Valor, Titulo, Nenhuma };
    const struct {
        const char* nome;
        const char* dentro;
        const char* texto;
        int left, top, width, height;
        Fonte fonte;
    } controles[] = {
        {"FrameUp", "", "", 90, 2790, 5685, 2025, Nenhuma},
        {"Label14", "FrameUp", "Progresso do Upload", 1815, 210, 2055, 255, Titulo},
        {"Image2", "FrameUp", "", 150, 180, 480, 480, Nenhuma},
        {"cmdFecharUp", "FrameUp", "X", 5160, 210, 315, 315, Titulo},
        {"Label15", "FrameUp", "Enviando Arquivo:", 180, 690, 1875, 255, Fixa},
        {"lblArquivoUp", "FrameUp", "lblArquivoUp", 1620, 690, 3675, 195, Valor},
        {"ProgressBarUp", "FrameUp", "", 180, 930, 5295, 255, Nenhuma},
        {"Frame5", "FrameUp", "Transferência ", 180, 1290, 5295, 555, Nenhuma},
        {"Label9", "Frame5", "Total:", 120, 240, 615, 255, Fixa},
        {"lblBytesTotUp", "Frame5", "lblBytesTotUp", 600, 240, 975, 195, Valor},
        {"lblTempoDesc", "Frame5", "Tempo:", 1740, 240, 915, 255, Fixa},
        {"lblTempoDecUp", "Frame5", "lblTempoDecUp", 2340, 240, 1095, 195, Valor},
        {"lblTaxUp", "Frame5", "Taxa:", 3480, 240, 975, 255, Fixa},
        {"lblBytesTaxUp", "Frame5", "lblBytesTaxUp", 3960, 240, 1215, 195, Valor},
        {"FrameDown", "", "", 90, 0, 5685, 2685, Nenhuma},
        {"Label1", "FrameDown", "Progresso do Download", 1815, 210, 2055, 255, Titulo},
        {"Image1", "FrameDown", "", 150, 180, 480, 480, Nenhuma},
        {"cmdFechar", "FrameDown", "X", 5160, 270, 315, 315, Titulo},
        {"Label5", "FrameDown", "Recebendo Arquivo:", 180, 690, 1875, 255, Fixa},
        {"lblArquivo", "FrameDown", "lblArquivo", 1740, 690, 3675, 195, Valor},
        {"ProgressBar1", "FrameDown", "", 180, 930, 5295, 255, Nenhuma},
        {"Frame1", "FrameDown", "Transferência ", 180, 1290, 5295, 555, Nenhuma},
        {"Label2", "Frame1", "Total:", 120, 240, 615, 255, Fixa},
        {"lblBytesTot", "Frame1", "lblBytesTot", 600, 240, 975, 195, Valor},
        {"Label3", "Frame1", "Recebidos:", 1620, 240, 915, 255, Fixa},
        {"lblBytesRec", "Frame1", "lblBytesRec", 2460, 240, 915, 195, Valor},
        {"Label4", "Frame1", "Taxa:", 3480, 240, 975, 255, Fixa},
        {"lblBytesTax", "Frame1", "lblBytesTax", 3960, 240, 1275, 195, Valor},
        {"Frame2", "FrameDown", "Tempo ", 180, 1950, 5295, 555, Nenhuma},
        {"Label8", "Frame2", "Total:", 120, 240, 615, 255, Fixa},
        {"lblTempoTot", "Frame2", "lblTempoTot", 600, 240, 915, 195, Valor},
        {"Label7", "Frame2", "Decorrido:", 1620, 240, 915, 255, Fixa},
        {"lblTempoDec", "Frame2", "lblTempoDec", 2460, 240, 915, 195, Valor},
        {"lblRest", "Frame2", "Restante:", 3480, 240, 975, 255, Fixa},
        {"lblTempoRest", "Frame2", "lblTempoRest", 4260, 240, 915, 195, Valor},
    };
    for (const auto& c : controles) {
        SCOPED_TRACE(c.nome);
        kvr::ui::Control& k = f.control(c.nome);
        EXPECT_EQ(k.container() ? k.container()->name() : "", c.dentro);
        EXPECT_EQ(k.caption(), c.texto);
        EXPECT_EQ(k.left(), c.left);
        EXPECT_EQ(k.top(), c.top);
        EXPECT_EQ(k.width(), c.width);
        EXPECT_EQ(k.height(), c.height);
        if (c.fonte != Nenhuma) {
            EXPECT_EQ(k.font().name, "Tahoma");
            EXPECT_DOUBLE_EQ(k.font().size, c.fonte == Titulo ? 8.25 : 6.75);
            EXPECT_EQ(k.font().bold, c.fonte != Valor);
        }
        if (c.fonte == Fixa) {
            EXPECT_EQ(k.fore_color(), rgb(64, 64, 64));
        }
    }
    EXPECT_EQ(f.caption(), "Download");
    EXPECT_EQ(f.back_color(), rgb(224, 224, 224));
    EXPECT_EQ(f.FrameUp.back_color(), rgb(224, 224, 224));
    EXPECT_EQ(f.FrameDown.back_color(), rgb(224, 224, 224));
    EXPECT_FALSE(f.visible());
}

// The window is centred when it loads, each coordinate rounded with halves to even.
TEST_F(JanelaDeProgresso, LoadCentresOnTheScreen) {
    const struct {
        int largura, altura;
        int left, top;
    } telas[] = {
        {15360, 11520, 4748, 3308}, // 4747.5 -> 4748, 3307.5 -> 3308
        {15358, 11518, 4746, 3306}, // 4746.5 -> 4746, 3306.5 -> 3306
        {5865, 4905, 0, 0},
        {4865, 3905, -500, -500},
    };
    for (const auto& t : telas) {
        ui->set_screen(t.largura, t.altura);
        frmKVRProgress f;
        ASSERT_EQ(f.width(), 5865);
        ASSERT_EQ(f.height(), 4905);
        f.Inet1(); // the first use of a control loads the window
        EXPECT_EQ(f.left(), t.left) << t.largura;
        EXPECT_EQ(f.top(), t.top) << t.altura;
        EXPECT_FALSE(f.iniciado());
        EXPECT_FALSE(f.fechar());
    }
}

// The first paint runs the routine of the visible panel; later paints do nothing.
TEST_F(JanelaDeProgresso, PaintStartsTheDownloadOnce) {
    frmKVRProgress f;
    f.ExibirProgresso = "SIM";
    f.FecharProgresso = "SIM";
    f.Inet1();
    f.FrameUp.set_visible(false);
    f.set_visible(true);
    f.paint(); // nothing to receive: the routine opens no file, then shows its end
    EXPECT_TRUE(f.iniciado());
    EXPECT_EQ(f.lblRest.caption(), "Situação:");
    EXPECT_EQ(f.lblTempoRest.caption(), "Concluído");
    EXPECT_EQ(f.lblTempoRest.fore_color(), rgb(0, 0, 255));
    EXPECT_FALSE(f.visible()); // FecharProgresso "SIM": it hid itself

    f.lblRest.set_caption("Restante:");
    f.set_visible(true);
    f.paint();
    EXPECT_EQ(f.lblRest.caption(), "Restante:");
    EXPECT_TRUE(f.visible());
}

// With the upload panel visible the paint starts the upload; a request that cannot even be
// started ends it at once with "Cancelado".
TEST_F(JanelaDeProgresso, PaintStartsTheUploadOnce) {
    frmKVRProgress f;
    f.ExibirProgresso = "SIM";
    f.FecharProgresso = "SIM";
    f.Inet1();
    f.set_visible(true);
    f.paint();
    EXPECT_TRUE(f.iniciado());
    EXPECT_EQ(f.lblTaxUp.caption(), "Situação:");
    EXPECT_EQ(f.lblBytesTaxUp.caption(), "Cancelado");
    EXPECT_EQ(f.lblBytesTaxUp.alignment(), kvr::ui::AlignCenter);
    EXPECT_FALSE(f.visible());

    f.lblTaxUp.set_caption("Taxa:");
    f.paint();
    EXPECT_EQ(f.lblTaxUp.caption(), "Taxa:");
}

TEST_F(JanelaDeProgresso, CloseButtonsHideAtOnceAndTellTheWaitingRoutine) {
    for (const char* botao : {"cmdFechar", "cmdFecharUp"}) {
        frmKVRProgress f;
        f.Inet1();
        f.set_visible(true);
        f.control(botao).click();
        EXPECT_FALSE(f.visible()) << botao;
        EXPECT_TRUE(f.fechar()) << botao;
    }
}

TEST_F(JanelaDeProgresso, ReachableByNameWithItsVariablesAndRoutines) {
    auto entrada = kvr::NamedInstances::instance().find("frmKVRProgress");
    ASSERT_TRUE(entrada.has_value());
    EXPECT_EQ(entrada->kind, "form");
    auto objeto = entrada->get();
    auto& f = kvr::ui::DefaultInstance<frmKVRProgress>::get();
    EXPECT_EQ(objeto.get(), static_cast<kvr::Object*>(&f));

    for (const char* nome : {"ExibirProgresso", "FecharProgresso", "UserName", "Password"}) {
        objeto->put(nome, Variant(std::string(" valor de ") + nome));
        EXPECT_EQ(objeto->get(nome).to_string(), std::string(" valor de ") + nome);
    }
    EXPECT_EQ(f.UserName, " valor de UserName");

    Variant r = objeto->call("Download", {Variant(""), Variant("/tmp/x.bin"), Variant("NAO")});
    EXPECT_EQ(r, Variant::array({"0", "URL do Arquivo não Informado."}));
    r = objeto->call("UpLoad", {Variant::null(), Variant("/tmp/x.bin"), Variant("NAO")});
    EXPECT_EQ(r, Variant::array({"0", "URL do Arquivo não Informado."}));

    entrada->unload();
    EXPECT_FALSE(kvr::ui::DefaultInstance<frmKVRProgress>::exists());
}

} // namespace
