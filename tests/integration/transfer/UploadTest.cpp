// fixtures: http
// The window's upload against nginx (PUT into its upload folder) and the scripted server.
#include "integration/transfer/TransferTestSupport.h"

#include <sys/stat.h>

namespace kvr::test {
namespace {

class Upload : public JanelaTest {
  protected:
    Variant enviar(const std::string& url, const Variant& local,
                   const Variant& dialogo = Variant("NAO")) {
        return f->UpLoad(Variant(url), local, dialogo);
    }
    std::string arquivo(const std::string& nome, std::size_t size) const {
        const auto path = tmp.path() / nome;
        std::filesystem::create_directories(path.parent_path());
        write_file(path, ScriptedHttp::body_of(size));
        return path.string();
    }
    std::string put(const std::string& nome) const {
        return web.http(web.env.at("KVR_HTTP_PUT_PREFIX") + "/" + nome);
    }
    std::string recebido(const std::string& nome) const {
        return read_file(std::filesystem::path(web.env.at("KVR_HTTP_PUT_ROOT")) / nome);
    }
};

// What nginx answers: a new file (larger than a send buffer) is created (201); sending it again
// replaces it, and the 204 answer has neither " 200 " nor " 201 " in its status line, so it is
// reported as it is; a location that takes no PUT has its status line as the message. With " stream
// " in any case the caller's text is the body and its length counts characters.
TEST_F(Upload, AnswersOfNginx) {
    const std::string nome = prefixo + "arquivo.dat";
    const std::string local = arquivo(nome, 600000);
    const std::string texto = "linha um\r\nlinha dois";
    const struct {
        std::string url;
        Variant local, dialogo, resultado;
        std::string no_servidor, conteudo; // the file nginx holds afterwards ("" = not read)
    } casos[] = {
        {put("/"), Variant(local), Variant("NAO"),
         Variant::array({"1", local, std::int32_t{600000}}), nome, ScriptedHttp::body_of(600000)},
        {put(nome), Variant(local), Variant("NAO"), falha("HTTP/1.1 204 No Content"), "", ""},
        {web.http("/" + nome), Variant(local), Variant("NAO"), falha("HTTP/1.1 405 Not Allowed"),
         "", ""},
        {put(prefixo + "texto.txt"), Variant(texto), Variant(" stream "),
         Variant::array({"1", "Stream", static_cast<std::int32_t>(texto.size())}),
         prefixo + "texto.txt", texto},
        {put(prefixo + "acentos.txt"), Variant("ação"), Variant("Stream"),
         Variant::array({"1", "Stream", std::int32_t{4}}), "", ""},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.url);
        nova();
        EXPECT_EQ(enviar(c.url, c.local, c.dialogo), c.resultado);
        if (!c.no_servidor.empty()) {
            EXPECT_TRUE(recebido(c.no_servidor) == c.conteudo);
        }
    }
}

// Every failure, and nothing sent for those found before the PUT.
TEST_F(Upload, FailuresReturned) {
    ScriptedHttp servidor("put_201", {"--record", tmp.str() + "/pedido"}), vazio("empty_reply");
    const std::string ok = arquivo("ok.txt", 10), sem_ponto = arquivo("semponto", 10);
    const std::string programa = arquivo("Programa.Exe", 10);
    const std::string em_pasta_com_ponto = arquivo("backup.old/executa.bat", 10);
    const std::string pasta_txt = tmp.str() + "/pasta.txt", fila = tmp.str() + "/fila.txt";
    std::filesystem::create_directory(pasta_txt);
    mkfifo(fila.c_str(), 0600);
    const std::string url = servidor.url("/envio/");
    const std::string informe = "Arquivo Local ou Opção de Diálogo deve ser informado.";
    const Variant NAO("NAO");
    const struct {
        std::string url;
        Variant local;
        Variant dialogo;
        std::optional<std::string> resposta_do_dialogo; // queued for the Open dialog
        std::string mensagem; // "" when it is the transfer control's own code and text
    } casos[] = {
        {"", Variant(ok), NAO, {}, "URL do Arquivo não Informado."},
        {url, Variant(tmp.str() + "/falta.txt"), NAO, {}, "Arquivo Local não Existe."},
        {url, Variant(sem_ponto), Variant(""), {}, "Arquivo Local não Existe."},
        // An empty path is what every host passes for an omitted one.
        {url, Variant(""), Variant("nao"), {}, informe},
        {url, Variant::null(), NAO, {}, informe},
        {url, Variant(ok), Variant("TXT"), std::nullopt, "Upload Cancelado."},
        {url, Variant(programa), NAO, {}, "Extensão de Arquivo \".Exe\" Não Permitido."},
        // The local check takes everything after the first dot ("old/executa.bat"); the URL,
        // completed with the name, is where ".bat" is caught.
        {url, Variant(em_pasta_com_ponto), NAO, {}, "Extensão de Arquivo \".bat\" Não Permitido."},
        {url + "rodar.sh", Variant(ok), NAO, {}, "Extensão de Arquivo \".sh\" Não Permitido."},
        // Refused as it starts, without the panel: its own path to the result.
        {"nada://127.0.0.1/x.txt", Variant(ok), NAO, {}, kProtocoloRecusado},
        {ScriptedHttp::closed_url("/x/"), Variant(ok), NAO, {}, "Servidor não Encontrado."},
        {vazio.url("/x/"), Variant(ok), NAO, {}, ""},
        // A file that exists but cannot be read is a failure before anything is sent.
        {url, Variant(ok), Variant("SIM"), pasta_txt, "75 - Path/File access error"},
        // A pipe or a device is no file to send: refused at once, never waited on.
        {url, Variant(fila), NAO, {}, "75 - Path/File access error"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.url + " " + c.mensagem);
        nova();
        if (c.dialogo.to_string() == "TXT" || c.dialogo.to_string() == "SIM")
            ui().queue({ui::UserAction::Dialog, "", c.resposta_do_dialogo});
        const Variant r = enviar(c.url, c.local, c.dialogo);
        EXPECT_EQ(r, falha(motivo(c.mensagem)));
        EXPECT_EQ(ui().queued(), 0u);
        EXPECT_FALSE(std::filesystem::exists(tmp.path() / "pedido"));
        EXPECT_FALSE(ui::DefaultInstance<frmKVRDialog>::exists());
    }

    // The file chosen in the Open dialog is sent; a path in sInPutFile is ignored then.
    nova();
    ui().queue({ui::UserAction::Dialog, "", ok});
    EXPECT_EQ(enviar(url, Variant(sem_ponto), Variant("txt")),
              Variant::array({"1", ok, std::int32_t{10}}));
    EXPECT_EQ(read_file(tmp.path() / "pedido").find("PUT /envio/ok.txt HTTP/1.1"), 0u);
}

// The panel: prepared, then "Situação:" "Concluído"; hidden at once with
// FecharProgresso "SIM", otherwise after the queued click on its "X". A request that cannot
// be started ends the wait at once: the panel says "Cancelado", the result carries the error.
TEST_F(Upload, PanelAndCloseButton) {
    ScriptedHttp servidor("put_201");
    const std::string local = arquivo("painel.txt", 5000);
    const struct {
        const char* fechar;
        std::string url;
        Variant resultado;
        const char* situacao;
    } casos[] = {
        {"SIM", servidor.url("/p/"), Variant::array({"1", local, std::int32_t{5000}}), "Concluído"},
        {"NAO", servidor.url("/p/"), Variant::array({"1", local, std::int32_t{5000}}), "Concluído"},
        {"SIM", "nada://127.0.0.1/r.txt", falha(kProtocoloRecusado), "Cancelado"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.url + " " + c.fechar);
        const bool espera = std::string(c.fechar) == "NAO";
        nova("SIM", c.fechar);
        if (espera)
            ui().queue({ui::UserAction::Click, "frmKVRProgress.cmdFecharUp", std::nullopt});
        EXPECT_EQ(enviar(c.url, Variant(local)), c.resultado);
        EXPECT_EQ(ui().queued(), 0u);
        EXPECT_TRUE(f->FrameUp.visible());
        EXPECT_FALSE(f->FrameDown.visible());
        EXPECT_EQ(texto("lblArquivoUp"), "painel.txt");
        EXPECT_EQ(texto("lblBytesTotUp"), "5 KB");
        EXPECT_EQ(f->ProgressBarUp.max(), 5000.0f);
        EXPECT_EQ(f->ProgressBarUp.value(), 5000.0f);
        EXPECT_EQ(texto("lblTaxUp"), "Situação:");
        EXPECT_EQ(texto("lblBytesTaxUp"), c.situacao);
        EXPECT_EQ(ultimo("cmdFecharUp", "Visible"), Variant(espera)); // shown only to be pressed
        EXPECT_EQ(f->fechar(), espera);
        EXPECT_FALSE(f->visible());
    }
}

} // namespace
} // namespace kvr::test
