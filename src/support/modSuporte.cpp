// modSuporte: the support module (web-path resolution, log writer) as one object that a
// host outside the library can reach by name. Its routines are added to the table below.
#include "platform/automation/DispatchTable.h"
#include "platform/automation/NamedInstances.h"
#include "platform/automation/Object.h"
#include "support/GerarLog.h"
#include "support/WebPath.h"

#include <memory>

namespace kvr {

namespace {

Param required(const char* name) {
    return Param{name, false, std::nullopt};
}
Param optional(const char* name) {
    return Param{name, true, std::nullopt};
}

// A component reference as a host passes it: an object, or Empty/Nothing for none.
std::shared_ptr<Object> componente(const Variant& v) {
    return v.is_object() ? v.as_object() : nullptr;
}

class modSuporte : public Object {
  public:
    std::string type_name() const override { return "modSuporte"; }
    const DispatchTable* dispatch_table() const override {
        static const DispatchTable table = build();
        return &table;
    }

  private:
    static DispatchTable build() {
        return DispatchBuilder<modSuporte>("modSuporte")
            .method("GerarLog", 1,
                    {required("sGravarLog"), required("sInstancia"), required("sMensagem"),
                     optional("sNomeLog"), optional("sRotina"), optional("bErro"),
                     optional("sAplicacao"), optional("sDiretorioLog")},
                    [](modSuporte&, VariantArray& a) {
                        GerarLog(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
                        return Variant();
                    })
            .method("DefinirWebPath", 2, {required("oServidor"), required("sCaminho")},
                    [](modSuporte&, VariantArray& a) {
                        auto oServidor = componente(a[0]);
                        return DefinirWebPath(oServidor, a[1].to_string());
                    })
            .method("ObterWebPath", 3,
                    {required("oServidor"), required("sCaminho"), required("sPrefixo")},
                    [](modSuporte&, VariantArray& a) {
                        auto oServidor = componente(a[0]);
                        std::string sCaminho = a[1].to_string();
                        std::string sPrefixo = a[2].to_string();
                        Variant r = ObterWebPath(oServidor, sCaminho, sPrefixo);
                        a[1] = Variant(sCaminho);
                        return r;
                    })
            .build();
    }
};

// A module has no state: one object per thread while anyone holds it.
std::shared_ptr<Object> instancia() {
    thread_local std::weak_ptr<modSuporte> atual;
    auto o = atual.lock();
    if (!o) {
        o = std::make_shared<modSuporte>();
        atual = o;
    }
    return o;
}

const NamedInstanceRegistrar registrar(NamedInstance{"modSuporte", "module", instancia, {}});

} // namespace

} // namespace kvr
