// fixtures: http
// The window's download against nginx and the scripted server: what lands on disk, the
// result array, every failure with its exact message (and, for the four logged kinds, the
// exact log line), and the download panel as the headless record shows it.
#include "integration/transfer/TransferTestSupport.h"

#include "dialogs/frmKVRDialog.h"
#include "platform/ui/Form.h"

#include <cstdlib>

namespace kvr::test {
namespace {

using ui::rgb;

class Download : public JanelaTest {
  protected:
    Variant baixar(const std::string& url, const std::string& local,
                   const Variant& dialogo = Variant("NAO")) {
        return f->Download(Variant(url), Variant(local), dialogo);
    }
    std::string destino(const std::string& nome) const { return (tmp.path() / nome).string(); }
};

// Sizes around the 1024-byte chunk and the lTotalKB rounding (512 bytes are 0 KB, 513 are
// 1 KB): every byte on disk, the size announced in the result, and the panel's last values.
// The clock moves one second at every reading, so the rate and the times are known.
TEST_F(Download, SizesWithThePanel) {
    if (!com_nginx())
        GTEST_SKIP() << "the http fixture is not running";
    const struct {
        std::size_t tamanho;
        const char *recebidos, *taxa, *total, *decorrido;
    } casos[] = {
        {0, "0 bytes", "0.00 Kbps", "< 1s", "< 1s"},
        {512, "512 bytes", "0.00 Kbps", "< 1s", "1s"},
        {513, "513 bytes", "0.50 Kbps", "1s", "1s"},
        // More than one chunk: how the body is cut into chunks decides the times.
        {1025, "1 KB", nullptr, nullptr, nullptr},
        {300000, "293 KB", nullptr, nullptr, nullptr},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.tamanho);
        const RelogioDeTeste relogio(1.0);
        f = std::make_unique<frmKVRProgress>();
        f->ExibirProgresso = "SIM";
        f->FecharProgresso = "SIM";
        ui->clear_events();
        const std::string nome = prefixo + std::to_string(c.tamanho) + ".bin";
        const std::string bytes = servir(nome, c.tamanho);
        const std::string local = destino(nome);

        Variant r = baixar(http("/" + nome), local);
        EXPECT_EQ(r, Variant::array({"1", local, static_cast<std::int32_t>(c.tamanho)}));
        EXPECT_TRUE(mesmos_bytes(read_file(local), bytes));

        EXPECT_EQ(ultimo("", "Height"), Variant(std::int32_t{2766})); // 2685 x 1.03
        EXPECT_EQ(f->FrameDown.top(), 0);
        EXPECT_FALSE(f->FrameUp.visible());
        EXPECT_EQ(f->left(), 4748);
        EXPECT_EQ(f->top(), 4377); // (11520 - 2766) / 2
        EXPECT_EQ(texto("lblArquivo"), nome);
        EXPECT_EQ(texto("lblBytesTot"), frmKVRProgress::FormatarTamanho(c.tamanho));
        EXPECT_EQ(texto("lblBytesRec"), c.recebidos);
        EXPECT_EQ(f->ProgressBar1.max(), static_cast<float>(c.tamanho));
        EXPECT_EQ(f->ProgressBar1.value(), static_cast<float>(c.tamanho));
        if (c.taxa) {
            EXPECT_EQ(texto("lblBytesTax"), c.taxa);
            EXPECT_EQ(texto("lblTempoTot"), c.total);
            EXPECT_EQ(texto("lblTempoDec"), c.decorrido);
        }
        EXPECT_EQ(texto("lblRest"), "Situação:");
        EXPECT_EQ(texto("lblTempoRest"), "Concluído");
        EXPECT_EQ(ultimo("lblTempoRest", "ForeColor"), Variant(rgb(0, 0, 255)));
        EXPECT_FALSE(ultimo("cmdFechar", "Visible").value_or(Variant(false)).to_bool());
        EXPECT_FALSE(f->visible()); // FecharProgresso "SIM": it hid itself
    }
}

// A body without a usable size: written whole, size 0 in the result, rate and times at zero.
TEST_F(Download, WithoutAUsableContentLength) {
    for (const char* cenario : {"no_length", "length_no_blank"}) {
        SCOPED_TRACE(cenario);
        const RelogioDeTeste relogio(1.0);
        f = std::make_unique<frmKVRProgress>();
        f->ExibirProgresso = "SIM";
        f->FecharProgresso = "SIM";
        ui->clear_events();
        ScriptedHttp servidor(cenario, {"--size", "5000"});
        const std::string local = destino(std::string(cenario) + ".bin");
        Variant r = baixar(servidor.url("/dados.bin"), local);
        EXPECT_EQ(r, Variant::array({"1", local, std::int32_t{0}}));
        EXPECT_TRUE(mesmos_bytes(read_file(local), ScriptedHttp::body_of(5000)));
        EXPECT_EQ(f->ProgressBar1.max(), 0.0f);
        EXPECT_EQ(texto("lblBytesTot"), "0 bytes");
        EXPECT_EQ(texto("lblBytesRec"), "5 KB");
        EXPECT_EQ(texto("lblBytesTax"), "0.00 Kbps");
        EXPECT_EQ(texto("lblTempoTot"), "< 1s");
        EXPECT_EQ(texto("lblTempoRest"), "Concluído");
    }
}

// Missing folders are made one level after the other; an existing file is replaced.
TEST_F(Download, FolderChainAndReplacement) {
    if (!com_nginx())
        GTEST_SKIP() << "the http fixture is not running";
    const std::string nome = prefixo + "cadeia.bin";
    const std::string bytes = servir(nome, 3000);
    const std::string local = destino("a/b/c/" + nome);
    EXPECT_EQ(baixar(http("/" + nome), local), Variant::array({"1", local, std::int32_t{3000}}));
    EXPECT_TRUE(mesmos_bytes(read_file(local), bytes));

    write_file(local, std::string(10000, 'x'));
    EXPECT_EQ(baixar(http("/" + nome), local), Variant::array({"1", local, std::int32_t{3000}}));
    EXPECT_TRUE(mesmos_bytes(read_file(local), bytes));
}

// A URL that names a folder gets the local file's name; HTTPS is verified with the test CA.
TEST_F(Download, CompletedURLAndHTTPS) {
    if (!com_nginx())
        GTEST_SKIP() << "the http fixture is not running";
    const std::string pasta = prefixo + "pasta";
    const std::string bytes = servir(pasta + "/rel.pdf", 2000);
    const std::string local = destino("rel.pdf");
    EXPECT_EQ(baixar(http("/" + pasta), local), Variant::array({"1", local, std::int32_t{2000}}));
    EXPECT_TRUE(mesmos_bytes(read_file(local), bytes));

    setenv("CURL_CA_BUNDLE", env.at("KVR_CA_FILE").c_str(), 1);
    std::filesystem::remove(local);
    f = std::make_unique<frmKVRProgress>();
    EXPECT_EQ(baixar(https("/" + pasta + "/"), local),
              Variant::array({"1", local, std::int32_t{2000}}));
    unsetenv("CURL_CA_BUNDLE");
    EXPECT_TRUE(mesmos_bytes(read_file(local), bytes));
}

// Credentials go with the request only when UserName is not blank.
TEST_F(Download, CredentialsOnlyWithAUserName) {
    const struct {
        const char *usuario, *senha;
        bool autorizacao;
    } casos[] = {{"", "segredo", false}, {"  ", "segredo", false}, {"u", "p", true}};
    for (const auto& c : casos) {
        ScriptedHttp servidor("echo");
        f = std::make_unique<frmKVRProgress>();
        f->UserName = c.usuario;
        f->Password = c.senha;
        const std::string local = destino("eco.txt");
        EXPECT_EQ(baixar(servidor.url("/eco.txt"), local).as_array()[0], Variant("1"));
        const std::string pedido = read_file(local);
        EXPECT_EQ(pedido.find("GET /eco.txt HTTP/1.1"), 0u);
        EXPECT_EQ(pedido.find("Authorization: Basic dTpw") != std::string::npos, c.autorizacao)
            << pedido;
        EXPECT_EQ(pedido.find("Authorization") != std::string::npos, c.autorizacao) << pedido;
    }
}

// Failures that are only returned: arguments, the response's judgement, the dialog.
TEST_F(Download, FailuresReturned) {
    if (!com_nginx())
        GTEST_SKIP() << "the http fixture is not running";
    ScriptedHttp sem_razao("no_reason", {"--size", "100"});
    ScriptedHttp vazio("empty_reply");
    const std::string fechada = "http://127.0.0.1:" + std::to_string(ScriptedHttp::closed_port());
    const std::string local = destino("nada.bin");
    const struct {
        std::string url;
        Variant local;
        Variant dialogo;
        std::string mensagem;
    } casos[] = {
        {"", Variant(local), Variant("NAO"), "URL do Arquivo não Informado."},
        {"   ", Variant(local), Variant("NAO"), "URL do Arquivo não Informado."},
        {http("/x.bin"), Variant(""), Variant(" nao "),
         "Arquivo Local ou Opção de Diálogo deve ser informado."},
        {http("/x.bin"), Variant::null(), Variant::null(),
         "Arquivo Local ou Opção de Diálogo deve ser informado."},
        {fechada + "/x.bin", Variant(local), Variant("NAO"), "Servidor não Encontrado."},
        {http("/" + prefixo + "nao-existe.bin"), Variant(local), Variant("NAO"),
         "HTTP/1.1 404 Not Found"},
        {sem_razao.url("/x.bin"), Variant(local), Variant("NAO"), "HTTP/1.1 200"},
    };
    for (const auto& c : casos) {
        f = std::make_unique<frmKVRProgress>();
        EXPECT_EQ(f->Download(Variant(c.url), c.local, c.dialogo), falha(c.mensagem)) << c.url;
        EXPECT_FALSE(std::filesystem::exists(local)) << c.url;
    }

    // Another code of the transfer control: its number and its text.
    f = std::make_unique<frmKVRProgress>();
    Variant r = baixar(vazio.url("/x.bin"), local);
    const std::int32_t codigo = f->Inet1().ResponseCode();
    EXPECT_GE(codigo, 12000);
    EXPECT_FALSE(f->Inet1().ResponseInfo().empty());
    EXPECT_EQ(r, falha(std::to_string(codigo) + " - " + f->Inet1().ResponseInfo()));

    // The Save dialog: cancelled, nothing written; answered, its path wins over sOutPutFile.
    const std::string nome = prefixo + "dialogo.bin";
    const std::string bytes = servir(nome, 700);
    f = std::make_unique<frmKVRProgress>();
    ui->queue({ui::UserAction::Dialog, "", std::nullopt});
    EXPECT_EQ(baixar(http("/" + nome), local, Variant("jpg")), falha("Download Cancelado."));
    EXPECT_FALSE(std::filesystem::exists(local));

    const std::string escolhido = destino("escolhido.bin");
    f = std::make_unique<frmKVRProgress>();
    ui->queue({ui::UserAction::Dialog, "", escolhido});
    EXPECT_EQ(baixar(http("/" + nome), local, Variant("SIM")),
              Variant::array({"1", escolhido, std::int32_t{700}}));
    EXPECT_TRUE(mesmos_bytes(read_file(escolhido), bytes));
    EXPECT_FALSE(std::filesystem::exists(local));
}

// A form whose button fails when clicked: a scripted user's click that raises while the
// download waits for its response.
class FormularioComFalha : public ui::Form {
  public:
    FormularioComFalha() : ui::Form("frmFalha") {
        add("cmdFalha", ui::ControlKind::CommandButton).on_click = [] {
            throw ComError(kObjectError + 77, "frmFalha", "Falha provocada pelo teste.");
        };
    }
};

// The four logged failures: the message returned, and the line in the library's log.
TEST_F(Download, FailuresLogged) {
    if (!com_nginx())
        GTEST_SKIP() << "the http fixture is not running";
    const RelogioDeTeste relogio;
    const LogDoDownload log;
    ScriptedHttp parado("stall");
    ScriptedHttp sem_corpo("cut_after_pause", {"--size", "0"});
    ScriptedHttp cortado("cut_after_pause", {"--size", "3000"});
    FormularioComFalha outro;
    const std::string local = destino("log.bin");
    const std::string pasta_existente = destino("uma-pasta");
    std::filesystem::create_directory(pasta_existente);
    const std::string nome = prefixo + "log.bin";
    servir(nome, 100);

    const std::string recusada = "nada://127.0.0.1/x.bin";
    const struct {
        std::string url;
        std::string local;
        bool clique_com_falha;
        std::string prefixo;
        std::string mensagem; // "" when it is the transfer control's own code and text
        std::string no_disco;
    } casos[] = {
        {recusada, local, false, "Erro no Execute GET. Erro: ", recusa(recusada, "GET"), "antes"},
        {parado.url("/x.bin"), local, true, "Erro no GetHeader. Erro: ",
         std::to_string(kObjectError + 77) + " - Falha provocada pelo teste.", "antes"},
        {sem_corpo.url("/x.bin"), local, false, "Erro no GetChunk. Erro: ", "", "antes"},
        // A body cut short is never a success; what came before the break is on disk.
        {cortado.url("/x.bin"), local, false, "Erro após o ExecutarDownload. Erro: ", "",
         ScriptedHttp::body_of(3000)},
        {http("/" + nome), pasta_existente, false,
         "Erro após o ExecutarDownload. Erro: ", "75 - Path/File access error", "antes"},
        {http("/" + nome), local + "/dentro.bin", false,
         "Erro após o ExecutarDownload. Erro: ", "64 - Bad file name", "antes"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.url + " " + c.prefixo);
        f = std::make_unique<frmKVRProgress>();
        if (c.clique_com_falha) {
            outro.set_visible(true);
            ui->queue({ui::UserAction::Click, "frmFalha.cmdFalha", std::nullopt});
        }
        std::filesystem::remove(log.arquivo(relogio.dia()));
        write_file(local, "antes");
        Variant r = baixar(c.url, c.local);
        outro.set_visible(false);
        ASSERT_EQ(r.ubound(), 1);
        EXPECT_EQ(r.as_array()[0], Variant("0"));
        const std::string mensagem = r.as_array()[1].to_string();
        if (!c.mensagem.empty())
            EXPECT_EQ(mensagem, c.mensagem);
        else
            EXPECT_EQ(mensagem, std::to_string(f->Inet1().ResponseCode()) + " - " +
                                    f->Inet1().ResponseInfo());
        EXPECT_EQ(read_file(log.arquivo(relogio.dia())),
                  LogDoDownload::linha(relogio.dia(), c.prefixo + mensagem));
        EXPECT_TRUE(mesmos_bytes(read_file(local), c.no_disco));
    }
}

// Without FecharProgresso "SIM" the window shows its "X" at the end and waits for it.
TEST_F(Download, WaitsForTheCloseButton) {
    if (!com_nginx())
        GTEST_SKIP() << "the http fixture is not running";
    const std::string nome = prefixo + "espera.bin";
    servir(nome, 1500);
    const std::string local = destino(nome);

    f->ExibirProgresso = "SIM";
    f->FecharProgresso = "NAO";
    ui->queue({ui::UserAction::Click, "frmKVRProgress.cmdFechar", std::nullopt});
    EXPECT_EQ(baixar(http("/" + nome), local), Variant::array({"1", local, std::int32_t{1500}}));
    EXPECT_EQ(ui->queued(), 0u);
    EXPECT_EQ(ultimo("cmdFechar", "Visible"), Variant(true));
    EXPECT_EQ(texto("lblTempoRest"), "Concluído");
    EXPECT_TRUE(f->fechar());
    EXPECT_FALSE(f->visible());

    // Nobody to press it: the headless wait ends in an error, never a hang.
    f = std::make_unique<frmKVRProgress>();
    f->ExibirProgresso = "SIM";
    f->FecharProgresso = "NAO";
    const LogDoDownload log;
    Variant r = baixar(http("/" + nome), local);
    EXPECT_EQ(r.as_array()[0], Variant("0"));
    EXPECT_EQ(read_file(local).size(), 1500u);
}

} // namespace
} // namespace kvr::test
