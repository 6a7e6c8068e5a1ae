#include "transfer/frmKVRProgress.h"

#include "platform/automation/NamedInstances.h"
#include "platform/ui/DefaultInstance.h"
#include "support/HeadlessTest.h"

#include <gtest/gtest.h>

using namespace kvr;

class JanelaDeProgresso : public test::HeadlessTest {
  protected:
    void TearDown() override {
        ui::DefaultInstance<frmKVRProgress>::unload();
        ui().set_screen(15360, 11520);
    }
};

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
        ui().set_screen(t.largura, t.altura);
        frmKVRProgress f;
        f.Inet1(); // the first use of a control loads the window
        EXPECT_EQ(f.left(), t.left) << t.largura;
        EXPECT_EQ(f.top(), t.top) << t.altura;
        EXPECT_FALSE(f.iniciado() || f.fechar()); // loaded, not started
    }
}

// The first paint runs the routine of the visible panel (what each panel then says is run by
// the transfer tests); later paints do nothing.
TEST_F(JanelaDeProgresso, PaintStartsTheRoutineOnce) {
    frmKVRProgress f;
    f.ExibirProgresso = f.FecharProgresso = "SIM";
    f.Inet1();
    f.FrameUp.set_visible(false);
    f.set_visible(true);
    f.paint();
    EXPECT_TRUE(f.iniciado());
    EXPECT_EQ(f.lblTempoRest.caption(), "Concluído");
    EXPECT_FALSE(f.visible()); // FecharProgresso "SIM": it hid itself
    f.lblTempoRest.set_caption("x");
    f.set_visible(true);
    f.paint();
    EXPECT_EQ(f.lblTempoRest.caption(), "x");
    EXPECT_TRUE(f.visible());
}

// The default instance, by name and late-bound; a Null URL is a URL not given.
TEST_F(JanelaDeProgresso, ReachableByNameAndLateBound) {
    auto entrada = NamedInstances::instance().find("frmKVRProgress");
    ASSERT_TRUE(entrada.has_value());
    EXPECT_EQ(entrada->get().get(), &ui::DefaultInstance<frmKVRProgress>::get());
    EXPECT_EQ(entrada->get()->call("UpLoad", {Variant::null(), Variant("/tmp/x"), Variant("NAO")}),
              Variant::array({"0", "URL do Arquivo não Informado."}));
    entrada->unload();
    EXPECT_FALSE(ui::DefaultInstance<frmKVRProgress>::exists());
}
