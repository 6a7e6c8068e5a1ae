// fixtures: http
// The window's download against nginx and the scripted server: what lands on disk, the
// result array, every failure with its exact message (and, for the four logged kinds, the
// exact log line), and the download panel as the headless record shows it.
#include "integration/transfer/TransferTestSupport.h"

#include "platform/ui/Form.h"

#include <algorithm>
#include <cstdlib>

namespace kvr::test {
namespace {

class Download : public JanelaTest {
  protected:
    Variant baixar(const std::string& url, const std::string& local,
                   const Variant& dialogo = Variant("NAO")) {
        return f->Download(Variant(url), Variant(local), dialogo);
    }
    std::string destino(const std::string& nome) const { return (tmp.path() / nome).string(); }
};

// Sizes around the 1024-byte chunk and the lTotalKB rounding (512 bytes are 0 KB, 513 are
// 1 KB), and bodies without a usable size (no Content-Length, or "Content-Length:5000"
// without the blank: announced as 0): every byte on disk, the size announced in the result,
// and the panel's last values. The clock moves one second at every reading, so the rate and
// the times are known.
TEST_F(Download, SizesWithThePanel) {
    const struct {
        const char* cenario; // nullptr: served by nginx
        std::size_t tamanho;
        std::int32_t anunciado;
        const char *recebidos, *taxa, *total, *decorrido;
    } casos[] = {
        {nullptr, 0, 0, "0 bytes", "0.00 Kbps", "< 1s", "< 1s"},
        {nullptr, 512, 512, "512 bytes", "0.00 Kbps", "< 1s", "1s"},
        {nullptr, 513, 513, "513 bytes", "0.50 Kbps", "1s", "1s"},
        // More than one chunk: how the body is cut into chunks decides the times.
        {nullptr, 1025, 1025, "1 KB", nullptr, nullptr, nullptr},
        {nullptr, 300000, 300000, "293 KB", nullptr, nullptr, nullptr},
        {"no_length", 5000, 0, "5 KB", "0.00 Kbps", "< 1s", nullptr},
        {"length_no_blank", 5000, 0, "5 KB", "0.00 Kbps", "< 1s", nullptr},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(std::to_string(c.tamanho) + (c.cenario ? c.cenario : ""));
        if (!c.cenario && !web.running())
            continue;
        const RelogioDeTeste relogio(1.0);
        nova("SIM");
        const std::string nome = prefixo + std::to_string(c.tamanho) + ".bin";
        std::optional<ScriptedHttp> servidor;
        if (c.cenario)
            servidor.emplace(c.cenario, std::vector<std::string>{"--size", "5000"});
        const std::string bytes =
            c.cenario ? ScriptedHttp::body_of(5000) : web.serve(nome, c.tamanho);
        const std::string local = destino(nome);

        Variant r = baixar(servidor ? servidor->url("/" + nome) : web.http("/" + nome), local);
        EXPECT_EQ(r, Variant::array({"1", local, c.anunciado}));
        EXPECT_TRUE(read_file(local) == bytes);

        EXPECT_FALSE(f->FrameUp.visible());
        EXPECT_EQ(texto("lblArquivo"), nome);
        EXPECT_EQ(texto("lblBytesTot"), frmKVRProgress::FormatarTamanho(c.anunciado));
        EXPECT_EQ(texto("lblBytesRec"), c.recebidos);
        EXPECT_EQ(f->ProgressBar1.max(), static_cast<float>(c.anunciado));
        if (c.anunciado) {
            EXPECT_EQ(f->ProgressBar1.value(), static_cast<float>(c.anunciado));
        }
        if (c.taxa) {
            EXPECT_EQ(texto("lblBytesTax"), c.taxa);
            EXPECT_EQ(texto("lblTempoTot"), c.total);
        }
        if (c.decorrido) {
            EXPECT_EQ(texto("lblTempoDec"), c.decorrido);
        }
        EXPECT_EQ(texto("lblRest"), "Situação:");
        EXPECT_EQ(texto("lblTempoRest"), "Concluído");
        EXPECT_FALSE(ultimo("cmdFechar", "Visible").value_or(Variant(false)).to_bool());
        EXPECT_FALSE(f->visible()); // FecharProgresso "SIM": it hid itself
    }
}

// Missing folders are made one level after the other; an existing file is replaced (through
// a link, which stays a link); a URL that names a folder gets the local file's name; HTTPS is
// verified with the test CA.
TEST_F(Download, WhereTheFileLands) {
    if (!web.running())
        GTEST_SKIP() << "the http fixture is not running";
    const std::string pasta = prefixo + "pasta";
    const std::string bytes = web.serve(pasta + "/rel.pdf", 2000);
    const std::string cadeia = destino("a/b/c/rel.pdf");
    const std::string elo = destino("elo.pdf");
    std::filesystem::create_symlink("a/b/c/rel.pdf", elo);
    const struct {
        std::string url, local;
    } casos[] = {
        {web.http("/" + pasta + "/rel.pdf"), cadeia}, // made
        {web.http("/" + pasta + "/rel.pdf"), elo},    // written over through the link
        {web.http("/" + pasta), destino("rel.pdf")},
        {web.https("/" + pasta + "/"), destino("tls/rel.pdf")},
    };
    const ScopedEnv ca{{"CURL_CA_BUNDLE", web.env.at("KVR_CA_FILE")}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.url);
        nova();
        write_file(cadeia, std::string(10000, 'x'));
        EXPECT_EQ(baixar(c.url, c.local), Variant::array({"1", c.local, std::int32_t{2000}}));
        EXPECT_TRUE(read_file(c.local) == bytes);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(elo));
}

// Credentials go with the request only when UserName is not blank.
TEST_F(Download, CredentialsOnlyWithAUserName) {
    const struct {
        const char *usuario, *senha;
        bool autorizacao;
    } casos[] = {{"", "segredo", false}, {"  ", "segredo", false}, {"u", "p", true}};
    for (const auto& c : casos) {
        ScriptedHttp servidor("echo");
        nova();
        f->UserName = c.usuario;
        f->Password = c.senha;
        const std::string local = destino("eco.txt");
        EXPECT_EQ(baixar(servidor.url("/eco.txt"), local).as_array()[0], Variant("1"));
        const std::string pedido = read_file(local);
        EXPECT_EQ(pedido.find("GET /eco.txt HTTP/1.1"), 0u);
        EXPECT_EQ(pedido.find("Authorization: Basic dTpw") != std::string::npos, c.autorizacao)
            << pedido;
    }
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

// Every failure: the message returned; for the four logged kinds the line in the library's
// log (the others write none) and what is left on disk, for the others no file at all.
TEST_F(Download, Failures) {
    if (!web.running())
        GTEST_SKIP() << "the http fixture is not running";
    const RelogioDeTeste relogio;
    const LogDoDownload log;
    ScriptedHttp sem_razao("no_reason", {"--size", "100"});
    ScriptedHttp vazio("empty_reply");
    ScriptedHttp parado("stall");
    ScriptedHttp sem_corpo("cut_after_pause", {"--size", "0"});
    ScriptedHttp cortado("cut_after_pause", {"--size", "3000"});
    ScriptedHttp cortado_junto("cut_body"); // the same 3000 bytes, cut as the headers arrive
    FormularioComFalha outro;
    const std::string fechada = "http://127.0.0.1:" + std::to_string(ScriptedHttp::closed_port());
    const std::string local = destino("falha.bin");
    const std::string pasta_existente = destino("uma-pasta");
    std::filesystem::create_directory(pasta_existente);
    const std::string nome = web.http("/" + prefixo + "falha.bin");
    web.serve(prefixo + "falha.bin", 100);
    const std::string recusada = "nada://127.0.0.1/x.bin";
    const std::string erro_77 =
        std::to_string(kObjectError + 77) + " - Falha provocada pelo teste.";
    const std::string apos = "Erro após o ExecutarDownload. Erro: ";
    const Variant L(local), NAO("NAO");
    enum Usuario { Ninguem, CancelaDialogo, CliqueComFalha };
    const struct {
        std::string url;
        Variant local, dialogo;
        std::string mensagem; // "" when it is the transfer control's own code and text
        std::string log = ""; // the logged kind's prefix, "" when not logged
        std::optional<std::string> no_disco = {}; // nullopt: no file is made
        Usuario usuario = Ninguem;
    } casos[] = {
        {"", L, NAO, "URL do Arquivo não Informado."},
        {"   ", L, NAO, "URL do Arquivo não Informado."},
        {nome, Variant(""), Variant(" nao "),
         "Arquivo Local ou Opção de Diálogo deve ser informado."},
        {nome, Variant::null(), Variant::null(),
         "Arquivo Local ou Opção de Diálogo deve ser informado."},
        {nome, L, Variant("jpg"), "Download Cancelado.", "", {}, CancelaDialogo},
        {fechada + "/x.bin", L, NAO, "Servidor não Encontrado."},
        {web.http("/" + prefixo + "nao-existe.bin"), L, NAO, "HTTP/1.1 404 Not Found"},
        {sem_razao.url("/x.bin"), L, NAO, "HTTP/1.1 200"},
        {vazio.url("/x.bin"), L, NAO, ""},
        {recusada, L, NAO, recusa(recusada, "GET"), "Erro no Execute GET. Erro: ", "antes"},
        {parado.url("/x.bin"), L, NAO, erro_77, "Erro no GetHeader. Erro: ", "antes",
         CliqueComFalha},
        {sem_corpo.url("/x.bin"), L, NAO, "", "Erro no GetChunk. Erro: ", "antes"},
        // A body cut short is never a success, and the old file stays as it was.
        {cortado.url("/x.bin"), L, NAO, "", apos, "antes"},
        {cortado_junto.url("/x.bin"), L, NAO, "", apos, "antes"},
        {nome, Variant(pasta_existente), NAO, "75 - Path/File access error", apos, "antes"},
        {nome, Variant(local + "/dentro.bin"), NAO, "64 - Bad file name", apos, "antes"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.url + " " + c.mensagem + " " + c.log);
        nova();
        if (c.usuario == CliqueComFalha) {
            outro.set_visible(true);
            ui().queue({ui::UserAction::Click, "frmFalha.cmdFalha", std::nullopt});
        } else if (c.usuario == CancelaDialogo) {
            ui().queue({ui::UserAction::Dialog, "", std::nullopt});
        }
        std::filesystem::remove(log.arquivo(relogio.dia()));
        std::filesystem::remove(local);
        if (c.no_disco)
            write_file(local, "antes");
        Variant r = f->Download(Variant(c.url), c.local, c.dialogo);
        outro.set_visible(false);
        EXPECT_EQ(ui().queued(), 0u);
        ASSERT_EQ(r.ubound(), 1);
        EXPECT_EQ(r.as_array()[0], Variant("0"));
        const std::string mensagem = r.as_array()[1].to_string();
        if (!c.mensagem.empty()) {
            EXPECT_EQ(mensagem, c.mensagem);
        } else {
            EXPECT_GE(f->Inet1().ResponseCode(), 12000);
            EXPECT_EQ(mensagem, std::to_string(f->Inet1().ResponseCode()) + " - " +
                                    f->Inet1().ResponseInfo());
        }
        if (c.log.empty()) {
            EXPECT_FALSE(std::filesystem::exists(log.arquivo(relogio.dia())));
            EXPECT_FALSE(std::filesystem::exists(local));
        } else {
            // The line's layout is GerarLog's own (its tests); here, who logs what.
            const std::string linha = read_file(log.arquivo(relogio.dia()));
            EXPECT_NE(linha.find(" Rotina: Download "), std::string::npos) << linha;
            EXPECT_TRUE(linha.ends_with(" -> ERRO: " + c.log + mensagem + " \r\n")) << linha;
            EXPECT_EQ(std::count(linha.begin(), linha.end(), '\n'), 1);
            EXPECT_TRUE(read_file(local) == *c.no_disco);
        }
    }
}

} // namespace
} // namespace kvr::test
