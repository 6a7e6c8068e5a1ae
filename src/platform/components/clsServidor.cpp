#include "platform/components/clsServidor.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/DispatchTable.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace kvr::components {

Variant clsServidor::ObterAmbienteServidor() const {
    std::vector<std::pair<std::string, std::string>> variaveis;
    for (char** e = environ; e && *e; ++e) {
        std::string entrada = *e;
        std::size_t igual = entrada.find('=');
        if (igual == std::string::npos || igual == 0)
            continue;
        variaveis.emplace_back(entrada.substr(0, igual), entrada.substr(igual + 1));
    }
    std::sort(variaveis.begin(), variaveis.end());
    VariantArray resposta{Variant("00")};
    for (auto& [nome, valor] : variaveis) {
        resposta.emplace_back(std::move(nome));
        resposta.emplace_back(std::move(valor));
    }
    return Variant(std::move(resposta));
}

const DispatchTable* clsServidor::dispatch_table() const {
    static const DispatchTable table =
        DispatchBuilder<clsServidor>("clsServidor")
            .method("ObterAmbienteServidor", 1, {},
                    [](clsServidor& o, VariantArray&) { return o.ObterAmbienteServidor(); })
            .build();
    return &table;
}

namespace {
// An outside component: registered for CreateObject, but not one of the library's classes.
const bool registrado = [] {
    ClassRegistry::instance().add(
        ClassInfo{clsServidor::kProgId, "", [] { return std::make_shared<clsServidor>(); }, false});
    return true;
}();
} // namespace

} // namespace kvr::components
