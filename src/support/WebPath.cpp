#include "support/WebPath.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/Err.h"
#include "platform/sys/LocalPath.h"
#include "support/GerarLog.h"

namespace kvr {

namespace {

constexpr auto npos = std::string::npos;

// Every occurrence, exact letter case, left to right without overlaps; an empty pattern
// changes nothing.
std::string substituir(const std::string& texto, const std::string& de, const std::string& para) {
    if (de.empty())
        return texto;
    std::string r;
    std::size_t inicio = 0;
    for (std::size_t p; (p = texto.find(de, inicio)) != npos; inicio = p + de.size())
        r.append(texto, inicio, p - inicio).append(para);
    return r.append(texto, inicio);
}

// The text from the `posicao`-th character on (1-based, in characters).
std::string a_partir_de(const std::string& texto, std::size_t posicao) {
    return texto.substr(left_chars(texto, posicao - 1).size());
}

// Element `i` of a component's reply array, as text.
std::string elemento(const Variant& aRetorno, long i) {
    const VariantArray& itens = aRetorno.as_array();
    if (i < 0 || i >= static_cast<long>(itens.size()))
        raise_runtime(rt::SubscriptOutOfRange);
    return itens[static_cast<std::size_t>(i)].to_string();
}

// Status "00". A reply that is not an array, or has no status, is a failure.
bool sucesso(const Variant& aRetorno) {
    try {
        return elemento(aRetorno, 0) == "00";
    } catch (const ComError&) {
        return false;
    }
}

// The reply's failure as the log shows it: status, " - ", error text.
std::string falha(const Variant& aRetorno) {
    return elemento(aRetorno, 0) + " - " + elemento(aRetorno, 1);
}

void log(const std::string& mensagem) {
    GerarLog(Variant("sim"), Variant(""), Variant(mensagem));
}

bool termina_em_separador(const std::string& caminho) {
    return !caminho.empty() && (caminho.back() == '/' || caminho.back() == '\\');
}

// Only the legacy separator asks for one: a path received with a trailing "/" is left as the
// rewriting made it.
bool recebido_com_separador(const std::string& recebido) {
    return !recebido.empty() && recebido.back() == '\\';
}

constexpr const char* kWebDir = "KVRWebDir.clsKVRWebDir";

} // namespace

Variant DefinirWebPath(std::shared_ptr<Object>& oServidor, const std::string& sCaminhoRecebido) {
    Err err;
    std::string sCaminho = sCaminhoRecebido;
    std::string sPrefixo;
    std::string sSite;
    std::shared_ptr<Object> oWebDir;
    Variant aRetorno;

    // 1. The received path is kept for the final test (sCaminhoRecebido).
    // 2. The prefix: up to the first ")", or the scheme, "://" and the host of an address.
    err.attempt([&] {
        if (const std::size_t fecha = InStr(sCaminho, ")"); fecha > 0) {
            sPrefixo = lcase(Left(sCaminho, static_cast<long long>(fecha)));
        } else if (std::size_t esquema = sCaminho.find("://"); esquema != npos) {
            std::size_t barra = sCaminho.find('/', esquema + 3);
            if (barra != npos)
                sPrefixo = lcase(sCaminho.substr(0, barra));
        }
    });

    // 3. No prefix: only Normalisation.
    if (!trim(sPrefixo).empty()) {
        if (InStr(sPrefixo, "://") > 0) {
            // 4. An address on the local web server.
            err.clear();
            err.attempt(
                [&] { sCaminho = ObterWebPath(oServidor, sCaminho, sPrefixo).to_string(); });
            if (err.pending())
                return Variant();
        } else if (InStr(sPrefixo, "$(webpath") > 0) {
            // 5. A web-path token.
            // 5.1 The web-directory component.
            err.attempt([&] { oWebDir = CreateObject(kWebDir); });
            if (err.pending()) {
                log("DefinirWebPath - O KVRWebDir não está instalado nesta máquina. Erro: " +
                    err.numbered_text());
                return Variant();
            }
            // 5.2 The site text: the name between the brackets, or what follows the token.
            err.attempt([&] {
                if (const std::size_t token = InStr(sPrefixo, "$(webpath["); token > 0) {
                    const std::size_t inicio = token + 10;
                    const std::size_t fim = InStr(inicio, sPrefixo, "]");
                    if (fim == 0) // a negative length
                        raise_runtime(rt::InvalidProcedureCall);
                    sSite = Left(Mid(sPrefixo, inicio), static_cast<long long>(fim - inicio));
                } else {
                    const std::size_t token_exato = InStr(sCaminho, "$(webpath)");
                    sSite = token_exato == 0 ? a_partir_de(sCaminho, 10)
                                             : Mid(sCaminho, token_exato + 10);
                    sPrefixo = sCaminho;
                }
            });
            // 5.3 The site's physical directory.
            err.attempt(
                [&] { aRetorno = oWebDir->call("ObterDiretorioFisico", {Variant(sSite)}); });
            if (!sucesso(aRetorno)) {
                oWebDir.reset();
                err.attempt([&] {
                    log("DefinirWebPath - Houve erro na obtenção do diretório físico pelo "
                        "KVRWebDir. Erro: " +
                        falha(aRetorno));
                });
                return Variant();
            }
            // 5.4 The prefix replaced by that directory, all in lower case.
            err.attempt([&] {
                sCaminho = substituir(lcase(sCaminhoRecebido), lcase(sPrefixo),
                                      lcase(elemento(aRetorno, 1)));
            });
            // 5.5 The web server must answer with its address and port.
            err.attempt([&] { aRetorno = oWebDir->call("ObterIPPorta", {}); });
            oWebDir.reset();
            if (!sucesso(aRetorno)) {
                err.attempt([&] {
                    log("DefinirWebPath - Houve erro na obtenção do IP e porta do servidor WEB "
                        "pelo KVRWebDir. Erro: " +
                        falha(aRetorno));
                });
                return Variant();
            }
        }
        // 6. Any other prefix (a folder name with a parenthesis): only Normalisation.
    }

    // Normalisation, with the native separator.
    // 1. Every separator becomes the native one, and a legacy drive root ("c:\", "c:\temp\")
    //    its native folder.
    err.attempt([&] { sCaminho = sys::native_local_path(sCaminho); });
    // 2. Doubled separators collapse after the first two characters (a leading pair stays).
    err.attempt([&] {
        const std::string barra = sys::kSeparator;
        std::string inicio = left_chars(sCaminho, 2);
        sCaminho = inicio + substituir(sCaminho.substr(inicio.size()), barra + barra, barra);
    });
    // 3. A path received with a trailing backslash keeps one.
    err.attempt([&] {
        if (recebido_com_separador(sCaminhoRecebido) && !termina_em_separador(sCaminho))
            sCaminho += sys::kSeparator;
    });
    // 4. The normalised path.
    return Variant(sCaminho);
}

Variant ObterWebPath(std::shared_ptr<Object>& oServidor, std::string& sCaminho,
                     std::string& sPrefixo) {
    Err err;
    Variant aRetorno;

    // 1. No server-environment component: the address goes on unchanged.
    if (!oServidor) {
        log("ObterWebPath - O RXTServidorAsp não está instalado nesta máquina");
        return Variant(sCaminho);
    }
    // 2. The server's variables.
    err.attempt([&] { aRetorno = oServidor->call("ObterAmbienteServidor", {}); });

    // 3. The application's physical path replaces the prefix.
    if (sucesso(aRetorno)) {
        bool encontrada = false;
        long ultimo = -1;
        err.attempt([&] { ultimo = aRetorno.ubound(); });
        for (long i = 1; i <= ultimo - 1 && !encontrada; i += 2) {
            err.attempt([&] {
                if (ucase(elemento(aRetorno, i)) == "APPL_PHYSICAL_PATH") {
                    encontrada = true;
                    sCaminho =
                        substituir(lcase(sCaminho), sPrefixo, lcase(elemento(aRetorno, i + 1)));
                }
            });
        }
        if (!encontrada)
            log("ObterWebPath - Não encontrada a variavel APPL_PHYSICAL_PATH no retorno do "
                "RXTServidorAsp");
        return Variant(sCaminho);
    }

    // 4. Otherwise the web server's root, from the web-directory component.
    err.attempt([&] {
        log("ObterWebPath - Erro na função ObterAmbienteServidor do RXTServidorAsp. Erro: " +
            falha(aRetorno));
    });
    // 4.1 Not even that component: the caller is told through error 99.
    std::shared_ptr<Object> oWebDir;
    err.clear();
    err.attempt([&] { oWebDir = CreateObject(kWebDir); });
    if (err.pending()) {
        log("ObterWebPath - O KVRWebDir não está instalado nesta máquina. Erro: " +
            err.numbered_text());
        raise_runtime(99, "KVRUpload");
    }
    // 4.2 The web root of the local server.
    err.attempt([&] { aRetorno = oWebDir->call("ObterWebRoot", {Variant("127.0.0.1")}); });
    oWebDir.reset();
    if (sucesso(aRetorno)) {
        err.attempt([&] {
            sCaminho = substituir(lcase(sCaminho), sPrefixo, lcase(elemento(aRetorno, 1)));
        });
        return Variant(sCaminho);
    }
    err.attempt([&] {
        log("ObterWebPath - Houve erro no processamento do KVRWebDir. Erro: " + falha(aRetorno));
    });
    return Variant(sCaminho);
}

} // namespace kvr
