// fixtures: http
// The window's upload against nginx (PUT into its upload folder) and the scripted server:
// the bytes that arrive, the result array, the extension policy on the local path and on the
// URL, every failure with its exact message, and the upload panel as the record shows it.
#include "integration/transfer/TransferTestSupport.h"

#include "dialogs/frmKVRDialog.h"

namespace kvr::test {
namespace {

using ui::rgb;

class Upload : public JanelaTest {
  protected:
    Variant enviar(const std::string& url, const Variant& local,
                   const Variant& dialogo = Variant("NAO")) {
        return f->UpLoad(Variant(url), local, dialogo);
    }
    // A local file of `size` bytes.
    std::string arquivo(const std::string& nome, std::size_t size) const {
        const auto path = tmp.path() / nome;
        std::filesystem::create_directories(path.parent_path());
        write_file(path, ScriptedHttp::body_of(size));
        return path.string();
    }
    std::string put(const std::string& nome) const {
        return http(env.at("KVR_HTTP_PUT_PREFIX") + "/" + nome);
    }
    std::string recebido(const std::string& nome) const {
        return read_file(std::filesystem::path(env.at("KVR_HTTP_PUT_ROOT")) / nome);
    }
};

// A new file is created (201); sending it again replaces it, and nginx's 204 answer has
// neither " 200 " nor " 201 " in its status line, so it is reported as it is.
TEST_F(Upload, FileToNginx) {
    if (!com_nginx())
        GTEST_SKIP() << "the http fixture is not running";
    const std::string nome = prefixo + "arquivo.dat";
    const std::string local = arquivo(nome, 70000);
    EXPECT_EQ(enviar(put("/"), Variant(local)), Variant::array({"1", local, std::int32_t{70000}}));
    EXPECT_TRUE(mesmos_bytes(recebido(nome), ScriptedHttp::body_of(70000)));

    f = std::make_unique<frmKVRProgress>();
    EXPECT_EQ(enviar(put(nome), Variant(local)), falha("HTTP/1.1 204 No Content"));

    // A location that takes no PUT: its status line is the message.
    f = std::make_unique<frmKVRProgress>();
    EXPECT_EQ(enviar(http("/" + nome), Variant(local)), falha("HTTP/1.1 405 Not Allowed"));
}

// The caller's text as the body: " stream " in any case; its length counts characters.
TEST_F(Upload, StreamToNginx) {
    if (!com_nginx())
        GTEST_SKIP() << "the http fixture is not running";
    const std::string nome = prefixo + "texto.txt";
    const std::string texto = "linha um\r\nlinha dois";
    EXPECT_EQ(enviar(put(nome), Variant(texto), Variant(" stream ")),
              Variant::array({"1", "Stream", static_cast<std::int32_t>(texto.size())}));
    EXPECT_EQ(recebido(nome), texto);

    f = std::make_unique<frmKVRProgress>();
    const std::string nome2 = prefixo + "acentos.txt";
    EXPECT_EQ(enviar(put(nome2), Variant("ação"), Variant("Stream")),
              Variant::array({"1", "Stream", std::int32_t{4}}));
}

// 201 and 204 from the scripted server, and what the request carried.
TEST_F(Upload, AnswersOfTheScriptedServer) {
    const std::string local = arquivo("nota.txt", 1500);
    {
        ScriptedHttp servidor("put_201");
        EXPECT_EQ(enviar(servidor.url("/docs/"), Variant(local)),
                  Variant::array({"1", local, std::int32_t{1500}}));
        const std::string pedido = servidor.last_request();
        EXPECT_EQ(pedido.find("PUT /docs/nota.txt HTTP/1.1"), 0u) << pedido;
        EXPECT_TRUE(
            mesmos_bytes(pedido.substr(pedido.find("\r\n\r\n") + 4), ScriptedHttp::body_of(1500)));
    }
    {
        ScriptedHttp servidor("put_204");
        f = std::make_unique<frmKVRProgress>();
        EXPECT_EQ(enviar(servidor.url("/docs/nota.txt"), Variant(local)),
                  falha("HTTP/1.1 204 No Content"));
    }
}

// Every failure of the table, and that nothing was sent for the ones found before the PUT.
TEST_F(Upload, FailuresReturned) {
    ScriptedHttp servidor("put_201", {"--record", (tmp.path() / "pedido").string()});
    ScriptedHttp vazio("empty_reply");
    const std::string fechada = "http://127.0.0.1:" + std::to_string(ScriptedHttp::closed_port());
    const std::string ok = arquivo("ok.txt", 10);
    const std::string sem_ponto = arquivo("semponto", 10);
    const std::string programa = arquivo("Programa.Exe", 10);
    const std::string em_pasta_com_ponto = arquivo("backup.old/executa.bat", 10);
    const std::string pasta_txt = (tmp.path() / "pasta.txt").string();
    std::filesystem::create_directory(pasta_txt);
    const std::string recusada = "nada://127.0.0.1/x.txt";
    const std::string url = servidor.url("/envio/");
    const struct {
        std::string url;
        Variant local;
        Variant dialogo;
        std::optional<std::string> resposta_do_dialogo; // queued for the Open dialog
        std::string mensagem;
    } casos[] = {
        {"", Variant(ok), Variant("NAO"), {}, "URL do Arquivo não Informado."},
        {url, Variant(tmp.str() + "/falta.txt"), Variant("NAO"), {}, "Arquivo Local não Existe."},
        {url, Variant(sem_ponto), Variant(""), {}, "Arquivo Local não Existe."},
        {url, Variant(""), Variant("nao"), {}, "Arquivo Local não Existe."},
        {url,
         Variant::null(),
         Variant("NAO"),
         {},
         "Arquivo Local ou Opção de Diálogo deve ser informado."},
        {url, Variant(ok), Variant("TXT"), std::nullopt, "Upload Cancelado."},
        {url, Variant(programa), Variant("NAO"), {}, "Extensão de Arquivo \".Exe\" Não Permitido."},
        // The local check takes everything after the first dot ("old/executa.bat"); the URL,
        // completed with the name, is where ".bat" is caught.
        {url,
         Variant(em_pasta_com_ponto),
         Variant("NAO"),
         {},
         "Extensão de Arquivo \".bat\" Não Permitido."},
        {servidor.url("/envio/rodar.sh"),
         Variant(ok),
         Variant("NAO"),
         {},
         "Extensão de Arquivo \".sh\" Não Permitido."},
        {recusada, Variant(ok), Variant("NAO"), {}, recusa(recusada, "PUT")},
        {fechada + "/x/", Variant(ok), Variant("NAO"), {}, "Servidor não Encontrado."},
        // A file that exists but cannot be read is a failure before anything is sent.
        {url, Variant(ok), Variant("SIM"), pasta_txt, "75 - Path/File access error"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.mensagem);
        f = std::make_unique<frmKVRProgress>();
        if (c.dialogo.to_string() == "TXT" || c.dialogo.to_string() == "SIM")
            ui->queue({ui::UserAction::Dialog, "", c.resposta_do_dialogo});
        EXPECT_EQ(enviar(c.url, c.local, c.dialogo), falha(c.mensagem));
        EXPECT_EQ(ui->queued(), 0u);
        EXPECT_FALSE(std::filesystem::exists(tmp.path() / "pedido"));
        EXPECT_FALSE(ui::DefaultInstance<frmKVRDialog>::exists());
    }

    // Another code of the transfer control: its number and its text.
    f = std::make_unique<frmKVRProgress>();
    Variant r = enviar(vazio.url("/x/"), Variant(ok));
    const std::int32_t codigo = f->Inet1().ResponseCode();
    EXPECT_GE(codigo, 12000);
    EXPECT_EQ(r, falha(std::to_string(codigo) + " - " + f->Inet1().ResponseInfo()));

    // The file chosen in the Open dialog is sent; a path in sInPutFile is ignored then.
    f = std::make_unique<frmKVRProgress>();
    ui->queue({ui::UserAction::Dialog, "", ok});
    EXPECT_EQ(enviar(url, Variant(sem_ponto), Variant("txt")),
              Variant::array({"1", ok, std::int32_t{10}}));
    EXPECT_EQ(read_file(tmp.path() / "pedido").find("PUT /envio/ok.txt HTTP/1.1"), 0u);
}

// The panel: prepared, then "Situação:" "Concluído" in blue and centred; hidden at once with
// FecharProgresso "SIM", otherwise after the queued click on its "X".
TEST_F(Upload, PanelAndCloseButton) {
    ScriptedHttp servidor("put_201");
    const std::string local = arquivo("painel.txt", 5000);
    for (const char* fechar : {"SIM", "NAO"}) {
        SCOPED_TRACE(fechar);
        f = std::make_unique<frmKVRProgress>();
        f->ExibirProgresso = "SIM";
        f->FecharProgresso = fechar;
        ui->clear_events();
        if (std::string(fechar) == "NAO")
            ui->queue({ui::UserAction::Click, "frmKVRProgress.cmdFecharUp", std::nullopt});
        EXPECT_EQ(enviar(servidor.url("/p/"), Variant(local)),
                  Variant::array({"1", local, std::int32_t{5000}}));
        EXPECT_EQ(ui->queued(), 0u);
        EXPECT_EQ(ultimo("", "Height"), Variant(std::int32_t{2126})); // 2025 x 1.05
        EXPECT_EQ(f->FrameUp.top(), 0);
        EXPECT_TRUE(f->FrameUp.visible());
        EXPECT_FALSE(f->FrameDown.visible());
        EXPECT_EQ(f->top(), 4697); // (11520 - 2126) / 2
        EXPECT_EQ(texto("lblArquivoUp"), "painel.txt");
        EXPECT_EQ(texto("lblBytesTotUp"), "5 KB");
        EXPECT_EQ(f->ProgressBarUp.max(), 5000.0f);
        EXPECT_EQ(f->ProgressBarUp.value(), 5000.0f);
        EXPECT_EQ(texto("lblTaxUp"), "Situação:");
        EXPECT_EQ(texto("lblBytesTaxUp"), "Concluído");
        EXPECT_EQ(ultimo("lblBytesTaxUp", "ForeColor"), Variant(rgb(0, 0, 255)));
        EXPECT_EQ(ultimo("lblBytesTaxUp", "Alignment"), Variant(std::int32_t{ui::AlignCenter}));
        EXPECT_EQ(ultimo("cmdFecharUp", "Visible"),
                  Variant(std::string(fechar) == "NAO")); // shown only to be pressed
        EXPECT_EQ(f->fechar(), std::string(fechar) == "NAO");
        EXPECT_FALSE(f->visible());
    }
}

// With the window shown, a request that cannot be started ends the wait at once: the panel
// says "Cancelado" and the result carries the error.
TEST_F(Upload, RefusedRequestWithThePanel) {
    const std::string local = arquivo("recusado.txt", 100);
    const std::string recusada = "nada://127.0.0.1/r.txt";
    f->ExibirProgresso = "SIM";
    EXPECT_EQ(enviar(recusada, Variant(local)), falha(recusa(recusada, "PUT")));
    EXPECT_EQ(texto("lblBytesTaxUp"), "Cancelado");
    EXPECT_EQ(texto("lblTaxUp"), "Situação:");
    EXPECT_FALSE(f->visible());
}

} // namespace
} // namespace kvr::test
