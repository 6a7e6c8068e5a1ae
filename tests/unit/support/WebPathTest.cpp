// DefinirWebPath over plain paths, web-path tokens and local-server addresses, with the outside
// components scripted by the test, and the log line every failure writes. The cases share
// one log file, so they run in one test, one after the other.
#include "support/WebPath.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace kvr {
namespace {

namespace fs = std::filesystem;

using Replies = std::map<std::string, Variant>;
using Calls = std::vector<std::pair<std::string, VariantArray>>;

// A component that answers each method with a fixed reply and records what it was asked.
class Scripted : public Object {
  public:
    Scripted(Replies replies, Calls& calls) : m_replies(std::move(replies)), m_calls(calls) {}
    std::string type_name() const override { return "Scripted"; }
    Variant call(std::string_view name, VariantArray args) override {
        m_calls.emplace_back(std::string(name), args);
        auto it = m_replies.find(std::string(name));
        if (it == m_replies.end())
            raise_runtime(rt::MethodNotSupported, "Scripted");
        return it->second;
    }

  private:
    Replies m_replies;
    Calls& m_calls;
};

Variant reply(std::initializer_list<Variant> items) {
    return Variant::array(items);
}

// Lines the web-path routines appended to the default log file since `from`.
class LogWatch {
  public:
    LogWatch() {
        fs::path folder = fs::path(sys::library_folder()) / ".." / "log";
        fs::create_directories(folder);
        m_file = folder / ("KVRUpload_" + std::to_string(sys::weekday()) + ".log");
        std::error_code ec;
        m_from = fs::exists(m_file, ec) ? fs::file_size(m_file, ec) : 0;
    }
    std::vector<std::string> new_lines() {
        std::ifstream in(m_file, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(m_from));
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line))
            if (line.find("WebPath - ") != std::string::npos)
                lines.push_back(line);
        std::error_code ec;
        m_from = fs::exists(m_file, ec) ? fs::file_size(m_file, ec) : 0;
        return lines;
    }

  private:
    fs::path m_file;
    std::uintmax_t m_from = 0;
};

struct WebPathCase {
    const char* name;
    std::string path;
    std::optional<Replies> webdir;       // nothing: KVRWebDir not installed
    std::optional<Replies> servidor;     // nothing: no server-environment object
    std::optional<std::string> expected; // nothing: Empty
    std::vector<std::string> logs;
    std::vector<std::pair<std::string, std::string>> webdir_calls; // method, first argument
};

TEST(DefinirWebPath, CasesWithTheirLogLines) {
    const std::string ok = "00";
    const Replies env_app{
        {"ObterAmbienteServidor",
         reply({"00", "PATH", "/usr/bin", "APPL_PHYSICAL_PATH", "/Inetpub/wwwroot/App/"})}};
    const Replies env_fails{{"ObterAmbienteServidor", reply({"01", "falhou"})}};
    const std::string no_webdir_env =
        "ObterWebPath - Erro na função ObterAmbienteServidor do RXTServidorAsp. Erro: 01 - falhou";
    const std::vector<WebPathCase> rows{
        {"plain path keeps its case", "/Temp/Dados/A.TXT", {}, {}, "/Temp/Dados/A.TXT", {}, {}},
        {"mixed and doubled separators",
         "/tmp//dados\\sub/a.txt",
         {},
         {},
         "/tmp/dados/sub/a.txt",
         {},
         {}},
        {"a run of three separators becomes two", "/a///b", {}, {}, "/a//b", {}, {}},
        {"network path keeps its leading pair",
         "\\\\servidor\\share\\\\a.txt",
         {},
         {},
         "//servidor/share/a.txt",
         {},
         {}},
        {"folder with a parenthesis is not a token",
         "/dados (2019)/a.txt",
         {},
         {},
         "/dados (2019)/a.txt",
         {},
         {}},
        {"site token",
         "$(webpath[Vendas])\\rel\\a.txt",
         Replies{{"ObterDiretorioFisico", reply({"00", "/Sites/Vendas"})},
                 {"ObterIPPorta", reply({"00", "127.0.0.1:80"})}},
         {},
         "/sites/vendas/rel/a.txt",
         {},
         {{"ObterDiretorioFisico", "vendas"}, {"ObterIPPorta", ""}}},
        {"token with a virtual path ending in a separator",
         "$(webpath)/docs/",
         Replies{{"ObterDiretorioFisico", reply({"00", "/Web/Docs"})},
                 {"ObterIPPorta", reply({"00", "127.0.0.1:80"})}},
         {},
         "/web/docs/",
         {},
         {{"ObterDiretorioFisico", "/docs/"}, {"ObterIPPorta", ""}}},
        {"token: the answer's trailing separator is kept",
         "$(webpath)/docs",
         Replies{{"ObterDiretorioFisico", reply({"00", "/Web/Docs/"})},
                 {"ObterIPPorta", reply({"00", "127.0.0.1:80"})}},
         {},
         "/web/docs/",
         {},
         {{"ObterDiretorioFisico", "/docs"}, {"ObterIPPorta", ""}}},
        {"token: no separator where none was",
         "$(webpath)/docs",
         Replies{{"ObterDiretorioFisico", reply({"00", "/Web/Docs"})},
                 {"ObterIPPorta", reply({"00", "127.0.0.1:80"})}},
         {},
         "/web/docs",
         {},
         {{"ObterDiretorioFisico", "/docs"}, {"ObterIPPorta", ""}}},
        {"capitalised token hands over the path from its tenth character",
         "$(WEBPATH)\\x.txt",
         Replies{{"ObterDiretorioFisico", reply({"00", "/Web/X"})},
                 {"ObterIPPorta", reply({"00", "127.0.0.1:80"})}},
         {},
         "/web/x",
         {},
         {{"ObterDiretorioFisico", ")\\x.txt"}, {"ObterIPPorta", ""}}},
        {"address with the application's physical path",
         "http://LocalHost/app/a.txt",
         {},
         env_app,
         "/inetpub/wwwroot/app/app/a.txt",
         {},
         {}},
        {"address: the variable is found in any case, at names only",
         "http://localhost:8080/a.txt",
         {},
         Replies{{"ObterAmbienteServidor",
                  reply({"00", "X", "APPL_PHYSICAL_PATH", "appl_physical_path", "/Ok"})}},
         "/ok/a.txt",
         {},
         {}},
        {"address with no slash after the host: only normalised",
         "http://localhost",
         {},
         env_app,
         "http:/localhost",
         {},
         {}},
        {"address without a server-environment object",
         "http://localhost/app/a.txt",
         {},
         {},
         "http:/localhost/app/a.txt",
         {"ObterWebPath - O RXTServidorAsp não está instalado nesta máquina"},
         {}},
        {"address: the variable is missing (a name without a value is not walked)",
         "http://localhost/app/a.txt",
         {},
         Replies{{"ObterAmbienteServidor", reply({"00", "A", "1", "APPL_PHYSICAL_PATH"})}},
         "http:/localhost/app/a.txt",
         {"ObterWebPath - Não encontrada a variavel APPL_PHYSICAL_PATH no retorno do "
          "RXTServidorAsp"},
         {}},
        {"address: server environment fails, web root instead",
         "http://localhost/app/a.txt",
         Replies{{"ObterWebRoot", reply({"00", "/Var/WWW"})}},
         env_fails,
         "/var/www/app/a.txt",
         {no_webdir_env},
         {{"ObterWebRoot", "127.0.0.1"}}},
        {"address: web root fails too",
         "http://localhost/app/a.txt",
         Replies{{"ObterWebRoot", reply({"03", "sem raiz"})}},
         env_fails,
         "http:/localhost/app/a.txt",
         {no_webdir_env,
          "ObterWebPath - Houve erro no processamento do KVRWebDir. Erro: 03 - sem raiz"},
         {{"ObterWebRoot", "127.0.0.1"}}},
        {"address: server environment fails and KVRWebDir is not installed",
         "http://localhost/app/a.txt",
         {},
         env_fails,
         {},
         {no_webdir_env, "ObterWebPath - O KVRWebDir não está instalado nesta máquina. Erro: "
                         "429 - ActiveX component can't create object"},
         {}},
        {"token without KVRWebDir",
         "$(webpath[vendas])/a.txt",
         {},
         {},
         {},
         {"DefinirWebPath - O KVRWebDir não está instalado nesta máquina. Erro: 429 - ActiveX "
          "component can't create object"},
         {}},
        {"token: unknown site",
         "$(webpath[nenhum])/a.txt",
         Replies{{"ObterDiretorioFisico", reply({"02", "Site não encontrado: nenhum."})}},
         {},
         {},
         {"DefinirWebPath - Houve erro na obtenção do diretório físico pelo KVRWebDir. Erro: 02 "
          "- Site não encontrado: nenhum."},
         {{"ObterDiretorioFisico", "nenhum"}}},
        {"token: the server's address cannot be had",
         "$(webpath[vendas])/a.txt",
         Replies{{"ObterDiretorioFisico", reply({"00", "/sites/vendas"})},
                 {"ObterIPPorta", reply({"05", "sem porta"})}},
         {},
         {},
         {"DefinirWebPath - Houve erro na obtenção do IP e porta do servidor WEB pelo KVRWebDir. "
          "Erro: 05 - sem porta"},
         {{"ObterDiretorioFisico", "vendas"}, {"ObterIPPorta", ""}}},
    };

    auto saved = ClassRegistry::instance().find_progid("KVRWebDir.clsKVRWebDir");
    LogWatch log;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Calls webdir_calls, servidor_calls;
        if (row.webdir) {
            Replies replies = *row.webdir;
            ClassRegistry::instance().add(ClassInfo{"KVRWebDir.clsKVRWebDir", "",
                                                    [replies, &webdir_calls] {
                                                        return std::make_shared<Scripted>(
                                                            replies, webdir_calls);
                                                    },
                                                    false});
        } else {
            ClassRegistry::instance().remove("KVRWebDir.clsKVRWebDir");
        }
        std::shared_ptr<Object> servidor;
        if (row.servidor)
            servidor = std::make_shared<Scripted>(*row.servidor, servidor_calls);

        Variant result = DefinirWebPath(servidor, row.path);

        if (row.expected) {
            EXPECT_EQ(result, Variant(*row.expected));
        } else {
            EXPECT_TRUE(result.is_empty()) << result.to_string();
        }
        std::vector<std::string> expected_lines;
        for (const auto& m : row.logs)
            expected_lines.push_back(pad_right("GerarLog", 25) + " -> " + m + " \r");
        std::vector<std::string> got;
        for (const auto& line : log.new_lines())
            got.push_back(line.substr(line.find("GerarLog ")));
        EXPECT_EQ(got, expected_lines);
        std::vector<std::pair<std::string, std::string>> asked;
        for (const auto& [method, args] : webdir_calls)
            asked.emplace_back(method, args.empty() ? "" : args[0].to_string());
        EXPECT_EQ(asked, row.webdir_calls);
    }
    if (saved)
        ClassRegistry::instance().add(*saved);
}

} // namespace
} // namespace kvr
