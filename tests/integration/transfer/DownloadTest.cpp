// fixtures: http
// The window's download against nginx and the scripted server.
#include "integration/transfer/TransferTestSupport.h"

#include "platform/sys/Cancel.h"
#include "platform/ui/Form.h"

#include <algorithm>
#include <chrono>
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
// without the blank: announced as 0): every byte on disk, the size announced, and the panel's
// last texts. The clock moves one second at every reading, so the rate and times are known.
TEST_F(Download, SizesWithThePanel) {
    const struct {
        const char* cenario; // nullptr: served by nginx
        std::size_t tamanho;
        std::int32_t anunciado;
        const char *recebidos, *taxa, *total, *decorrido; // nullptr: not checked
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
        const RelogioDeTeste relogio(1.0);
        nova("SIM");
        const std::string nome = prefixo + std::to_string(c.tamanho) + ".bin";
        std::optional<ScriptedHttp> servidor;
        if (c.cenario)
            servidor.emplace(c.cenario, std::vector<std::string>{"--size", "5000"});
        const std::string bytes =
            c.cenario ? ScriptedHttp::body_of(5000) : web.serve(nome, c.tamanho);
        const std::string local = destino(nome);
        EXPECT_EQ(baixar(servidor ? servidor->url("/" + nome) : web.http("/" + nome), local),
                  Variant::array({"1", local, c.anunciado}));
        EXPECT_TRUE(read_file(local) == bytes);
        EXPECT_FALSE(f->FrameUp.visible());
        const std::string tamanho = frmKVRProgress::FormatarTamanho(c.anunciado);
        const std::pair<const char*, const char*> textos[] = {
            {"lblArquivo", nome.c_str()}, {"lblBytesTot", tamanho.c_str()},
            {"lblBytesRec", c.recebidos}, {"lblBytesTax", c.taxa},
            {"lblTempoTot", c.total},     {"lblTempoDec", c.decorrido},
            {"lblRest", "Situação:"},     {"lblTempoRest", "Concluído"}};
        for (const auto& [controle, esperado] : textos)
            if (esperado) {
                EXPECT_EQ(texto(controle), esperado) << controle;
            }
        EXPECT_EQ(f->ProgressBar1.max(), static_cast<float>(c.anunciado));
        if (c.anunciado) {
            EXPECT_EQ(f->ProgressBar1.value(), static_cast<float>(c.anunciado));
        }
        EXPECT_FALSE(ultimo("cmdFechar", "Visible").value_or(Variant(false)).to_bool());
        EXPECT_FALSE(f->visible()); // FecharProgresso "SIM": it hid itself
    }
}

// Missing folders are made one level after the other; an existing file is replaced (through
// a link, which stays a link); a URL that names a folder gets the local file's name; HTTPS is
// verified with the test CA.
TEST_F(Download, WhereTheFileLands) {
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

TEST_F(Download, CredentialsOnlyWithAUserName) {
    for (const char* usuario : {"", "  ", "u"}) {
        ScriptedHttp servidor("echo");
        nova();
        f->UserName = usuario;
        f->Password = "p";
        const std::string local = destino("eco.txt");
        EXPECT_EQ(baixar(servidor.url("/eco.txt"), local).as_array()[0], Variant("1"));
        const std::string pedido = read_file(local);
        EXPECT_EQ(pedido.find("GET /eco.txt HTTP/1.1"), 0u);
        const auto at = pedido.find("Authorization: ");
        EXPECT_EQ(at == std::string::npos ? "" : pedido.substr(at, 25),
                  *usuario == 'u' ? "Authorization: Basic dTpw" : "")
            << pedido;
    }
}

// Every failure: the message returned; for the four logged kinds the line in the library's
// log (the others write none) and what is left on disk, for the others no file at all.
TEST_F(Download, Failures) {
    const RelogioDeTeste relogio;
    ScriptedHttp sem_razao("no_reason", {"--size", "100"}), vazio("empty_reply"), parado("stall");
    ScriptedHttp sem_corpo("cut_after_pause", {"--size", "0"}),
        cortado("cut_after_pause", {"--size", "3000"}),
        cortado_junto("cut_body"); // the same 3000 bytes, cut as the headers arrive
    // A form whose button fails when clicked: a scripted user's click that raises while the
    // download waits for its response.
    ui::Form outro("frmFalha");
    outro.add("cmdFalha", ui::ControlKind::CommandButton).on_click = [] {
        throw ComError(kObjectError + 77, "frmFalha", "Falha provocada pelo teste.");
    };
    const std::string local = destino("falha.bin"), pasta_existente = destino("uma-pasta");
    std::filesystem::create_directory(pasta_existente);
    const std::string nome = web.http("/" + prefixo + "falha.bin");
    web.serve(prefixo + "falha.bin", 100);
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
        {ScriptedHttp::closed_url("/x.bin"), L, NAO, "Servidor não Encontrado."},
        {web.http("/" + prefixo + "nao-existe.bin"), L, NAO, "HTTP/1.1 404 Not Found"},
        {sem_razao.url("/x.bin"), L, NAO, "HTTP/1.1 200"},
        {vazio.url("/x.bin"), L, NAO, ""},
        {"nada://127.0.0.1/x.bin", L, NAO, kProtocoloRecusado,
         "Erro no Execute GET. Erro: ", "antes"},
        {parado.url("/x.bin"), L, NAO,
         std::to_string(kObjectError + 77) + " - Falha provocada pelo teste.",
         "Erro no GetHeader. Erro: ", "antes", CliqueComFalha},
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
        std::filesystem::remove(relogio.log());
        std::filesystem::remove(local);
        if (c.no_disco)
            write_file(local, "antes");
        const Variant r = f->Download(Variant(c.url), c.local, c.dialogo);
        outro.set_visible(false);
        EXPECT_EQ(ui().queued(), 0u);
        const std::string mensagem = motivo(c.mensagem);
        EXPECT_EQ(r, falha(mensagem));
        if (c.log.empty()) {
            EXPECT_FALSE(std::filesystem::exists(relogio.log()));
            EXPECT_FALSE(std::filesystem::exists(local));
        } else {
            // The line's layout is GerarLog's own (its tests); here, who logs what.
            const std::string linha = read_file(relogio.log());
            EXPECT_NE(linha.find(" Rotina: Download "), std::string::npos) << linha;
            EXPECT_TRUE(linha.ends_with(" -> ERRO: " + c.log + mensagem + " \r\n")) << linha;
            EXPECT_EQ(std::count(linha.begin(), linha.end(), '\n'), 1);
            EXPECT_TRUE(read_file(local) == *c.no_disco);
        }
    }
}

// A host that asks the thread to stop (Ctrl-C) while a transfer waits on a server gone quiet,
// with the panel hidden and shown: the transfer ends at once as the user's cancel.
TEST_F(Download, AStopAskedDuringTheWaitEndsTheTransferAsTheUsersCancel) {
    using Clock = std::chrono::steady_clock;
    ScriptedHttp corpo_parado("stall_body"), sem_resposta("stall");
    const std::string local = destino("local.txt");
    write_file(local, "dados");
    for (const bool upload : {false, true})
        for (const bool exibir : {false, true}) {
            SCOPED_TRACE(std::to_string(upload) + std::to_string(exibir));
            nova(exibir ? "SIM" : "NAO", exibir ? "NAO" : "SIM");
            const auto inicio = Clock::now();
            const sys::CancelScope pedido(
                [inicio] { return Clock::now() - inicio > std::chrono::milliseconds(300); });
            const Variant r = upload ? f->UpLoad(Variant(sem_resposta.url("/d/a.txt")),
                                                 Variant(local), Variant("NAO"))
                                     : baixar(corpo_parado.url("/a.bin"), destino("a.bin"));
            EXPECT_EQ(r, falha(upload ? "Upload Cancelado." : "Download Cancelado."));
            EXPECT_LT(Clock::now() - inicio, std::chrono::seconds(2));
        }
}

} // namespace
} // namespace kvr::test
