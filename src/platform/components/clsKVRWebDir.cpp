#include "platform/components/clsKVRWebDir.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/DispatchTable.h"
#include "platform/sys/InputFile.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

namespace kvr::components {

namespace {

struct Configuracao {
    std::optional<std::string> webroot;
    std::string address = "127.0.0.1:80";
    std::map<std::string, std::string> sites; // lower-case name -> folder
};

Variant resposta(const std::string& status, const std::string& valor) {
    return Variant::array({Variant(status), Variant(valor)});
}

std::string sem_separadores_finais(std::string caminho) {
    while (caminho.size() > 1 && caminho.back() == '/')
        caminho.pop_back();
    return caminho;
}

// The configuration, or the failure reply that explains why there is none.
std::optional<Configuracao> ler(Variant& falha) {
    const char* arquivo = std::getenv("KVRWEBDIR_CONFIG");
#ifdef KVR_DEFAULT_WEBDIR_CONFIG
    // An installed library falls back to the system's default configuration, when present.
    if ((!arquivo || !*arquivo) && std::filesystem::exists(KVR_DEFAULT_WEBDIR_CONFIG))
        arquivo = KVR_DEFAULT_WEBDIR_CONFIG;
#endif
    if (!arquivo || !*arquivo) {
        falha = resposta("01", "Arquivo de configuração do KVRWebDir não definido "
                               "(KVRWEBDIR_CONFIG).");
        return std::nullopt;
    }
    auto conteudo = sys::read_whole_file(arquivo);
    if (!conteudo) {
        falha = resposta("01", std::string("Não foi possível ler o arquivo de configuração ") +
                                   arquivo + ".");
        return std::nullopt;
    }
    Configuracao c;
    std::istringstream in(conteudo.value());
    std::string linha;
    for (int numero = 1; std::getline(in, linha); ++numero) {
        if (!linha.empty() && linha.back() == '\r')
            linha.pop_back();
        std::string texto = trim(linha);
        if (texto.empty() || texto[0] == '#')
            continue;
        std::size_t igual = texto.find('=');
        std::string chave = igual == std::string::npos ? "" : lcase(trim(texto.substr(0, igual)));
        std::string valor = igual == std::string::npos ? "" : trim(texto.substr(igual + 1));
        if (chave == "webroot" && !valor.empty()) {
            c.webroot = sem_separadores_finais(valor);
        } else if (chave == "address" && !valor.empty()) {
            c.address = valor;
        } else if (chave.rfind("site ", 0) == 0 && !trim(chave.substr(5)).empty() &&
                   !valor.empty()) {
            c.sites[trim(chave.substr(5))] = sem_separadores_finais(valor);
        } else {
            falha = resposta("01", "Linha " + std::to_string(numero) +
                                       " inválida no arquivo de configuração " + arquivo + ".");
            return std::nullopt;
        }
    }
    return c;
}

} // namespace

Variant clsKVRWebDir::ObterDiretorioFisico(const std::string& sSite) const {
    Variant falha;
    auto c = ler(falha);
    if (!c)
        return falha;
    std::string site = trim(sSite);
    for (char& ch : site)
        if (ch == '\\')
            ch = '/';
    if (site.empty() || site[0] != '/') {
        auto it = c->sites.find(lcase(site));
        if (it == c->sites.end())
            return resposta("02", "Site não encontrado: " + sSite + ".");
        return resposta("00", it->second);
    }
    // A virtual path: its first segment may name a site.
    std::size_t fim = site.find('/', 1);
    std::string primeiro = lcase(site.substr(1, fim == std::string::npos ? fim : fim - 1));
    if (auto it = c->sites.find(primeiro); it != c->sites.end())
        return resposta("00", it->second + (fim == std::string::npos ? "" : site.substr(fim)));
    if (!c->webroot)
        return resposta("03", "Raiz WEB não configurada.");
    return resposta("00", (*c->webroot == "/" ? "" : *c->webroot) + site);
}

Variant clsKVRWebDir::ObterIPPorta() const {
    Variant falha;
    auto c = ler(falha);
    if (!c)
        return falha;
    return resposta("00", c->address);
}

Variant clsKVRWebDir::ObterWebRoot(const std::string&) const {
    Variant falha;
    auto c = ler(falha);
    if (!c)
        return falha;
    if (!c->webroot)
        return resposta("03", "Raiz WEB não configurada.");
    return resposta("00", *c->webroot);
}

const DispatchTable* clsKVRWebDir::dispatch_table() const {
    static const DispatchTable table =
        DispatchBuilder<clsKVRWebDir>("clsKVRWebDir")
            .method("ObterDiretorioFisico", 1, {Param{"sSite", false, std::nullopt}},
                    [](clsKVRWebDir& o, VariantArray& a) {
                        return o.ObterDiretorioFisico(a[0].to_string());
                    })
            .method("ObterIPPorta", 2, {},
                    [](clsKVRWebDir& o, VariantArray&) { return o.ObterIPPorta(); })
            .method(
                "ObterWebRoot", 3, {Param{"sIP", false, std::nullopt}},
                [](clsKVRWebDir& o, VariantArray& a) { return o.ObterWebRoot(a[0].to_string()); })
            .build();
    return &table;
}

namespace {
// An outside component: registered for CreateObject, but not one of the library's classes.
const bool registrado = [] {
    ClassRegistry::instance().add(ClassInfo{
        clsKVRWebDir::kProgId, "", [] { return std::make_shared<clsKVRWebDir>(); }, false});
    return true;
}();
} // namespace

} // namespace kvr::components
