// fixtures: http
// The transfer window's download and upload against nginx (PUT into its upload folder) and the
// scripted server.
#include "dialogs/frmKVRDialog.h"
#include "platform/sys/Cancel.h"
#include "platform/sys/Clock.h"
#include "platform/ui/DefaultInstance.h"
#include "platform/ui/Form.h"
#include "support/HeadlessTest.h"
#include "support/ScriptedHttp.h"
#include "support/VariantPrint.h"
#include "transfer/frmKVRProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kvr::test {
namespace {

// The clock stands at 10:20:30 on Tuesday 7 January 2031 and moves `step` seconds at every
// reading; "c:\KVRUpload.log", where the download logs, is a folder of the test's own.
class RelogioDeTeste {
  public:
    explicit RelogioDeTeste(double step = 0) {
        const auto base = sys::from_local(
            {.year = 2031, .month = 1, .day = 7, .hour = 10, .minute = 20, .second = 30});
        auto leituras = std::make_shared<std::atomic<long>>(0);
        const auto passo = std::chrono::duration_cast<sys::TimePoint::duration>(
            std::chrono::duration<double>(step));
        sys::set_clock_override([=] { return base + passo * (*leituras)++; });
        setenv("KVRUPLOAD_DRIVE_ROOT", m_raiz.str().c_str(), 1);
        std::filesystem::create_directory(m_raiz.path() / "KVRUpload.log");
    }
    ~RelogioDeTeste() {
        sys::set_clock_override({});
        unsetenv("KVRUPLOAD_DRIVE_ROOT");
    }

    std::filesystem::path log() const { return m_raiz.path() / "KVRUpload.log/KVRUpload_3.log"; }

  private:
    TempDir m_raiz;
};

// A fresh window, no progress shown unless the test asks, the headless record cleared.
class JanelaTest : public HeadlessTest {
  protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        ASSERT_TRUE(web.running()) << "the http fixture is not running";
        nova();
    }
    void TearDown() override {
        ui().clear_queue();
        if (f)
            f->unload();
        ui::DefaultInstance<frmKVRDialog>::unload();
    }

    void nova(const char* exibir = "NAO", const char* fechar = "SIM") {
        f = std::make_unique<frmKVRProgress>();
        f->ExibirProgresso = exibir;
        f->FecharProgresso = fechar;
        ui().clear_events();
    }

    // The value a control's property was last given.
    std::optional<Variant> ultimo(const std::string& control, const std::string& property) const {
        std::optional<Variant> v;
        for (const auto& e : ui().events())
            if (e.form == "frmKVRProgress" && e.control == control && e.property == property)
                v = e.value;
        return v;
    }
    std::string texto(const std::string& control) const {
        auto v = ultimo(control, "Caption");
        return v ? v->to_string() : std::string("<never set>");
    }
    // `mensagem`, or when it is empty the transfer control's own code (one of its failures)
    // and text.
    std::string motivo(const std::string& mensagem) const {
        if (!mensagem.empty())
            return mensagem;
        EXPECT_GE(f->Inet1().ResponseCode(), 12000);
        return std::to_string(f->Inet1().ResponseCode()) + " - " + f->Inet1().ResponseInfo();
    }

    Variant baixar(const std::string& url, const std::string& local,
                   const Variant& dialogo = Variant("NAO")) {
        return f->Download(Variant(url), Variant(local), dialogo);
    }
    Variant enviar(const std::string& url, const Variant& local,
                   const Variant& dialogo = Variant("NAO")) {
        return f->UpLoad(Variant(url), local, dialogo);
    }
    std::string destino(const std::string& nome) const { return (tmp.path() / nome).string(); }
    // A local file of `size` bytes of ScriptedHttp::body_of (folders made).
    std::string arquivo(const std::string& nome, std::size_t size) const {
        const auto path = tmp.path() / nome;
        std::filesystem::create_directories(path.parent_path());
        write_file(path, ScriptedHttp::body_of(size));
        return path.string();
    }
    // nginx's upload folder: where a PUT goes, and what it holds.
    std::string put(const std::string& nome) const {
        return web.http(web.env.at("KVR_HTTP_PUT_PREFIX") + "/" + nome);
    }
    std::string recebido(const std::string& nome) const {
        return read_file(std::filesystem::path(web.env.at("KVR_HTTP_PUT_ROOT")) / nome);
    }

    std::unique_ptr<frmKVRProgress> f;
    Nginx web;
    std::string prefixo = "itest-transfer-" + std::to_string(getpid()) + "-";
    TempDir tmp;
};

inline Variant falha(const std::string& mensagem) {
    return Variant::array({"0", mensagem});
}

// What the window reports for a URL of a scheme the transfer control does not take.
inline const std::string kProtocoloRecusado = "35753 - Protocolo não suportado por este método";

using Download = JanelaTest;
using Upload = JanelaTest;

// Sizes around the 1024-byte chunk and the KB rounding, and bodies without a usable size
// (announced as 0): every byte on disk, the size announced, the panel's last texts. The clock
// moves one second a reading, so the rate and times are known.
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

// Missing folders are made; a file is replaced through a link, which stays one; a URL naming a
// folder gets the local file's name.
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
    };
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

// Every failure of both directions and the message returned. Of a download, four kinds are
// logged in the library's log and leave the old file as it was; the others log nothing and
// make no file. An upload found faulty before its PUT sends nothing.
TEST_F(JanelaTest, FailuresOfBothDirections) {
    const RelogioDeTeste relogio;
    ScriptedHttp sem_razao("no_reason", {"--size", "100"}), vazio("empty_reply"), parado("stall");
    ScriptedHttp sem_corpo("cut_after_pause", {"--size", "0"}),
        cortado("cut_after_pause", {"--size", "3000"}),
        cortado_junto("cut_body"); // the same 3000 bytes, cut as the headers arrive
    ScriptedHttp recebe("put_201", {"--record", tmp.str() + "/pedido"});
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
    const std::string ok = arquivo("ok.txt", 10), sem_ponto = arquivo("semponto", 10);
    const std::string programa = arquivo("Programa.Exe", 10);
    const std::string em_pasta_com_ponto = arquivo("backup.old/executa.bat", 10);
    const std::string pasta_txt = tmp.str() + "/pasta.txt", fila = tmp.str() + "/fila.txt";
    std::filesystem::create_directory(pasta_txt);
    mkfifo(fila.c_str(), 0600);
    const std::string url = recebe.url("/envio/"), apos = "Erro após o ExecutarDownload. Erro: ";
    const std::string execute = "Erro no Execute GET. Erro: ",
                      acesso = "75 - Path/File access error";
    const std::string sem_url = "URL do Arquivo não Informado.",
                      informe = "Arquivo Local ou Opção de Diálogo deve ser informado.";
    const Variant L(local), OK(ok), NAO("NAO");
    using A = ui::UserAction;
    const A cancela{A::Dialog, "", std::nullopt}, clique{A::Click, "frmFalha.cmdFalha", {}};
    const struct {
        bool envio; // an upload, else a download
        std::string url;
        Variant local, dialogo;
        std::string mensagem;          // "" when it is the transfer control's own code and text
        std::optional<A> usuario = {}; // what the user does while the call runs
        std::string log = "";          // the logged kind's prefix, "" when not logged
        std::optional<std::string> no_disco = {}; // nullopt: no file is made
    } casos[] = {
        {false, "", L, NAO, sem_url},
        {false, "   ", L, NAO, sem_url},
        {false, nome, Variant(""), Variant(" nao "), informe},
        {false, nome, Variant::null(), Variant::null(), informe},
        {false, nome, L, Variant("jpg"), "Download Cancelado.", cancela},
        {false, ScriptedHttp::closed_url("/x.bin"), L, NAO, "Servidor não Encontrado."},
        {false, web.http("/" + prefixo + "nao-existe.bin"), L, NAO, "HTTP/1.1 404 Not Found"},
        {false, sem_razao.url("/x.bin"), L, NAO, "HTTP/1.1 200"},
        {false, vazio.url("/x.bin"), L, NAO, ""},
        {false, "nada://127.0.0.1/x.bin", L, NAO, kProtocoloRecusado, {}, execute, "antes"},
        {false, parado.url("/x.bin"), L, NAO,
         std::to_string(kObjectError + 77) + " - Falha provocada pelo teste.", clique,
         "Erro no GetHeader. Erro: ", "antes"},
        {false, sem_corpo.url("/x.bin"), L, NAO, "", {}, "Erro no GetChunk. Erro: ", "antes"},
        // A body cut short is never a success, and the old file stays as it was.
        {false, cortado.url("/x.bin"), L, NAO, "", {}, apos, "antes"},
        {false, cortado_junto.url("/x.bin"), L, NAO, "", {}, apos, "antes"},
        {false, nome, Variant(pasta_existente), NAO, acesso, {}, apos, "antes"},
        {false, nome, Variant(local + "/dentro.bin"), NAO, "64 - Bad file name", {}, apos, "antes"},
        {true, "", OK, NAO, sem_url},
        {true, url, Variant(tmp.str() + "/falta.txt"), NAO, "Arquivo Local não Existe."},
        {true, url, Variant(sem_ponto), Variant(""), "Arquivo Local não Existe."},
        // An empty path is what every host passes for an omitted one.
        {true, url, Variant(""), Variant("nao"), informe},
        {true, url, Variant::null(), NAO, informe},
        {true, url, OK, Variant("TXT"), "Upload Cancelado.", cancela},
        {true, url, Variant(programa), NAO, "Extensão de Arquivo \".Exe\" Não Permitido."},
        // The local check takes everything after the first dot ("old/executa.bat"); the URL,
        // completed with the name, is where ".bat" is caught.
        {true, url, Variant(em_pasta_com_ponto), NAO,
         "Extensão de Arquivo \".bat\" Não Permitido."},
        {true, url + "rodar.sh", OK, NAO, "Extensão de Arquivo \".sh\" Não Permitido."},
        // Refused as it starts, without the panel: its own path to the result.
        {true, "nada://127.0.0.1/x.txt", OK, NAO, kProtocoloRecusado},
        {true, ScriptedHttp::closed_url("/x/"), OK, NAO, "Servidor não Encontrado."},
        {true, vazio.url("/x/"), OK, NAO, ""},
        // A file that exists but cannot be read is a failure before anything is sent.
        {true, url, OK, Variant("SIM"), acesso, A{A::Dialog, "", pasta_txt}},
        // A pipe or a device is no file to send: refused at once, never waited on.
        {true, url, Variant(fila), NAO, acesso},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.url + " " + c.mensagem + " " + c.log);
        nova();
        if (c.usuario)
            ui().queue(*c.usuario);
        outro.set_visible(c.usuario && c.usuario->target == clique.target);
        std::filesystem::remove(relogio.log());
        std::filesystem::remove(local);
        if (c.no_disco)
            write_file(local, "antes");
        const Variant r = c.envio ? enviar(c.url, c.local, c.dialogo)
                                  : f->Download(Variant(c.url), c.local, c.dialogo);
        outro.set_visible(false);
        EXPECT_EQ(ui().queued(), 0u);
        const std::string mensagem = motivo(c.mensagem);
        EXPECT_EQ(r, falha(mensagem));
        EXPECT_FALSE(std::filesystem::exists(tmp.path() / "pedido"));
        if (c.envio) {
            EXPECT_FALSE(ui::DefaultInstance<frmKVRDialog>::exists());
        } else if (c.log.empty()) {
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

    // The file chosen in the Open dialog is sent; a path in sInPutFile is ignored then.
    nova();
    ui().queue({ui::UserAction::Dialog, "", ok});
    EXPECT_EQ(enviar(url, Variant(sem_ponto), Variant("txt")),
              Variant::array({"1", ok, std::int32_t{10}}));
    EXPECT_EQ(read_file(tmp.path() / "pedido").find("PUT /envio/ok.txt HTTP/1.1"), 0u);
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

// What nginx answers: a new file is created (201); sent again, the 204 answer is a failure with
// its status line, as is a location that takes no PUT. With " stream " the caller's text is
// the body and its length counts characters.
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

// The panel ends at "Situação:" "Concluído", hidden at once with FecharProgresso "SIM", else
// after a click on its "X"; a request that cannot start says "Cancelado" at once.
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
