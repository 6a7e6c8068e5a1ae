#include "platform/automation/ClassRegistry.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace kvr {
namespace {

Variant r(std::initializer_list<Variant> items) {
    return Variant::array(items);
}

// Each answer with the configuration file it comes from: "unset" names none, "missing" names
// one that is not there.
TEST(WebDirTest, AnswersFromItsConfigurationFile) {
    const std::string sites = "# sites of this machine\nwebroot = /srv/www/\n"
                              "address = 127.0.0.1:8080\r\n\nSite Vendas = /srv/sites/Vendas\n"
                              "site docs=/srv/docs\n";
    const std::string no_root = "site vendas = /srv/vendas\n"; // an address by default too
    test::TempDir dir;
    const std::string conf = (dir.path() / "webdir.conf").string();
    const Variant no_webroot = r({"03", "Raiz WEB não configurada."});
    const std::tuple<std::string, const char*, const char*, Variant> rows[] = {
        {sites, "ObterDiretorioFisico", "vendas", r({"00", "/srv/sites/Vendas"})},
        {sites, "ObterDiretorioFisico", " VENDAS ", r({"00", "/srv/sites/Vendas"})},
        {sites, "ObterDiretorioFisico", "/vendas/rel/", r({"00", "/srv/sites/Vendas/rel/"})},
        {sites, "ObterDiretorioFisico", "\\docs\\a", r({"00", "/srv/docs/a"})},
        {sites, "ObterDiretorioFisico", "/outros/a.txt", r({"00", "/srv/www/outros/a.txt"})},
        {sites, "ObterDiretorioFisico", "compras", r({"02", "Site não encontrado: compras."})},
        {sites, "ObterIPPorta", nullptr, r({"00", "127.0.0.1:8080"})},
        {sites, "ObterWebRoot", "127.0.0.1", r({"00", "/srv/www"})},
        {no_root, "ObterWebRoot", "127.0.0.1", no_webroot},
        {no_root, "ObterDiretorioFisico", "/outros", no_webroot},
        {no_root, "ObterDiretorioFisico", "/vendas", r({"00", "/srv/vendas"})},
        {no_root, "ObterIPPorta", nullptr, r({"00", "127.0.0.1:80"})},
        {"webroot = /srv/www\nisto nao vale\n", "ObterDiretorioFisico", "x",
         r({"01", "Linha 2 inválida no arquivo de configuração " + conf + "."})},
        {"unset", "ObterIPPorta", nullptr,
         r({"01", "Arquivo de configuração do KVRWebDir não definido (KVRWEBDIR_CONFIG)."})},
        {"missing", "ObterWebRoot", "127.0.0.1",
         r({"01", "Não foi possível ler o arquivo de configuração " + conf + "."})},
    };
    for (const auto& [config, method, arg, expected] : rows) {
        test::write_file(conf, config);
        if (config == "missing")
            std::filesystem::remove(conf);
        const test::ScopedEnv env{{"KVRWEBDIR_CONFIG", config == "unset" ? "" : conf}};
        EXPECT_EQ(CreateObject("KVRWebDir.clsKVRWebDir")
                      ->call(method, arg ? VariantArray{Variant(arg)} : VariantArray{}),
                  expected)
            << method << " " << (arg ? arg : "");
    }
}

TEST(ServidorTest, ServerVariablesAreTheEnvironmentInNameOrder) {
    const test::ScopedEnv env{{"APPL_PHYSICAL_PATH", "/srv/app/"}, {"AAA_KVR_FIRST", "1"}};
    Variant reply = CreateObject("RXTServidorAsp.clsServidor")->call("ObterAmbienteServidor", {});
    const VariantArray& a = reply.as_array();
    ASSERT_EQ(a.size() % 2, 1u);
    EXPECT_EQ(a[0], Variant("00"));
    for (std::size_t i = 1; i + 2 < a.size(); i += 2)
        EXPECT_LT(a[i].as_string(), a[i + 2].as_string());
    const auto at = std::find(a.begin(), a.end(), Variant("APPL_PHYSICAL_PATH"));
    ASSERT_LT(at + 1, a.end());
    EXPECT_EQ(at[1], Variant("/srv/app/"));
}

} // namespace
} // namespace kvr
