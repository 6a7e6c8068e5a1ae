// The outside components scripted by the test; every failure writes its log line.
#include "support/WebPath.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Library.h"
#include "support/Registration.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

namespace kvr {
namespace {

namespace fs = std::filesystem;

using Replies = std::map<std::string, Variant>;

// A component that answers each method with a fixed reply and notes "method(first argument)".
struct Scripted : Object {
    Scripted(Replies replies, std::string& asked) : m_replies(std::move(replies)), m_asked(asked) {}
    std::string type_name() const override { return "Scripted"; }
    Variant call(std::string_view name, VariantArray args) override {
        m_asked += (m_asked.empty() ? "" : " ") + std::string(name) + "(" +
                   (args.empty() ? "" : args[0].to_string()) + ")";
        auto it = m_replies.find(std::string(name));
        if (it == m_replies.end())
            raise_runtime(rt::MethodNotSupported, "Scripted");
        return it->second;
    }
    Replies m_replies;
    std::string& m_asked;
};

Variant reply(std::initializer_list<Variant> items) {
    return Variant::array(items);
}
// A component answering one method.
Replies answer(const char* method, const char* code, const char* text) {
    return {{method, reply({code, text})}};
}
// A KVRWebDir that knows one site, at `folder`, and the server's address.
Replies site(const char* folder) {
    Replies r = answer("ObterDiretorioFisico", "00", folder);
    r["ObterIPPorta"] = reply({"00", "127.0.0.1:80"});
    return r;
}
const std::optional<Replies> none;

struct WebPathCase {
    const char* name;
    std::string path;
    const char* expected;                   // nullptr: Empty
    std::optional<Replies> webdir = none;   // none: KVRWebDir not installed
    std::optional<Replies> servidor = none; // none: no server-environment object
    std::string logs = "";                  // what the failures log, one line each
    std::string asked = "";                 // KVRWebDir's methods called, with their argument
};

TEST(DefinirWebPath, CasesWithTheirLogLines) {
    const Replies env_app{
        {"ObterAmbienteServidor",
         reply({"00", "PATH", "/usr/bin", "APPL_PHYSICAL_PATH", "/Inetpub/wwwroot/App/"})}};
    const Replies env_any_case{{"ObterAmbienteServidor", reply({"00", "X", "APPL_PHYSICAL_PATH",
                                                                "appl_physical_path", "/Ok"})}};
    const Replies env_no_value{
        {"ObterAmbienteServidor", reply({"00", "A", "1", "APPL_PHYSICAL_PATH"})}};
    const Replies env_fails = answer("ObterAmbienteServidor", "01", "falhou");
    const std::string no_env = "ObterWebPath - Erro na função ObterAmbienteServidor do "
                               "RXTServidorAsp. Erro: 01 - falhou\n";
    const std::string no_webdir = "O KVRWebDir não está instalado nesta máquina. Erro: 429 - "
                                  "ActiveX component can't create object\n";
    Replies no_port = site("/sites/vendas");
    no_port["ObterIPPorta"] = reply({"05", "sem porta"});
    const std::string sites = "ObterDiretorioFisico(vendas) ObterIPPorta()";
    const std::string docs = "ObterDiretorioFisico(/docs) ObterIPPorta()";
    const std::string address = "http://localhost/app/a.txt";
    const std::string normalised = "http:/localhost/app/a.txt";
    const std::vector<WebPathCase> rows{
        {"plain path keeps its case", "/Temp/Dados/A.TXT", "/Temp/Dados/A.TXT"},
        {"mixed and doubled separators", "/tmp//dados\\sub/a.txt", "/tmp/dados/sub/a.txt"},
        {"a run of three separators becomes two", "/a///b", "/a//b"},
        {"a legacy drive root is the file-system root", "C:\\Dados\\A.TXT", "/Dados/A.TXT"},
        {"network path keeps its leading pair", "\\\\servidor\\share\\\\a.txt",
         "//servidor/share/a.txt"},
        {"site token", "$(webpath[Vendas])\\rel\\a.txt", "/sites/vendas/rel/a.txt",
         site("/Sites/Vendas"), none, "", sites},
        {"token with a virtual path ending in a slash: none appended", "$(webpath)/docs/",
         "/web/docs", site("/Web/Docs"), none, "", "ObterDiretorioFisico(/docs/) ObterIPPorta()"},
        {"token with a virtual path ending in a backslash keeps one", "$(webpath)\\docs\\",
         "/web/docs/", site("/Web/Docs"), none, "",
         "ObterDiretorioFisico(\\docs\\) ObterIPPorta()"},
        {"token: the answer's trailing separator is kept", "$(webpath)/docs", "/web/docs/",
         site("/Web/Docs/"), none, "", docs},
        {"token: no separator where none was", "$(webpath)/docs", "/web/docs", site("/Web/Docs"),
         none, "", docs},
        {"capitalised token hands over the path from its tenth character", "$(WEBPATH)\\x.txt",
         "/web/x", site("/Web/X"), none, "", "ObterDiretorioFisico()\\x.txt) ObterIPPorta()"},
        {"address with the application's physical path", "http://LocalHost/app/a.txt",
         "/inetpub/wwwroot/app/app/a.txt", none, env_app},
        {"address: the variable is found in any case, at names only", "http://localhost:8080/a.txt",
         "/ok/a.txt", none, env_any_case},
        {"address with no slash after the host: only normalised", "http://localhost",
         "http:/localhost", none, env_app},
        {"address without a server-environment object", address, normalised.c_str(), none, none,
         "ObterWebPath - O RXTServidorAsp não está instalado nesta máquina\n"},
        {"address: the variable is missing (a name without a value is not walked)", address,
         normalised.c_str(), none, env_no_value,
         "ObterWebPath - Não encontrada a variavel APPL_PHYSICAL_PATH no retorno do "
         "RXTServidorAsp\n"},
        {"address: server environment fails, web root instead", address, "/var/www/app/a.txt",
         answer("ObterWebRoot", "00", "/Var/WWW"), env_fails, no_env, "ObterWebRoot(127.0.0.1)"},
        {"address: web root fails too", address, normalised.c_str(),
         answer("ObterWebRoot", "03", "sem raiz"), env_fails,
         no_env + "ObterWebPath - Houve erro no processamento do KVRWebDir. Erro: 03 - sem raiz\n",
         "ObterWebRoot(127.0.0.1)"},
        {"address: server environment fails and KVRWebDir is not installed", address, nullptr, none,
         env_fails, no_env + "ObterWebPath - " + no_webdir},
        {"token without KVRWebDir", "$(webpath[vendas])/a.txt", nullptr, none, none,
         "DefinirWebPath - " + no_webdir},
        {"token: unknown site", "$(webpath[nenhum])/a.txt", nullptr,
         answer("ObterDiretorioFisico", "02", "Site não encontrado: nenhum."), none,
         "DefinirWebPath - Houve erro na obtenção do diretório físico pelo KVRWebDir. Erro: 02 - "
         "Site não encontrado: nenhum.\n",
         "ObterDiretorioFisico(nenhum)"},
        {"token: the server's address cannot be had", "$(webpath[vendas])/a.txt", nullptr, no_port,
         none,
         "DefinirWebPath - Houve erro na obtenção do IP e porta do servidor WEB pelo KVRWebDir. "
         "Erro: 05 - sem porta\n",
         sites},
    };

    test::RegistrationGuard webdir("KVRWebDir.clsKVRWebDir");
    const fs::path folder = fs::path(sys::library_folder()) / ".." / "log";
    fs::create_directories(folder);
    const fs::path log = folder / ("KVRUpload_" + std::to_string(sys::weekday()) + ".log");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string webdir_asked, servidor_asked;
        webdir.remove();
        if (row.webdir)
            webdir.replace([replies = *row.webdir, &webdir_asked] {
                return std::make_shared<Scripted>(replies, webdir_asked);
            });
        std::shared_ptr<Object> servidor;
        if (row.servidor)
            servidor = std::make_shared<Scripted>(*row.servidor, servidor_asked);

        fs::remove(log);
        Variant result = DefinirWebPath(servidor, row.path);

        EXPECT_EQ(result, row.expected ? Variant(row.expected) : Variant()) << result.type_name();
        std::string got, wanted; // the log's lines from their routine on
        std::istringstream logs(test::read_file(log)), expected(row.logs);
        for (std::string line; std::getline(logs, line);)
            got += line.substr(line.find("Rotina: ")) + "\n";
        for (std::string m; std::getline(expected, m);)
            wanted += "Rotina: " + pad_right("GerarLog", 25) + " -> " + m + " \r\n";
        EXPECT_EQ(got, wanted);
        EXPECT_EQ(webdir_asked, row.asked);
    }
}

} // namespace
} // namespace kvr
