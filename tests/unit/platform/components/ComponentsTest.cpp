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

class WebDirTest : public ::testing::Test {
  protected:
    void use_config(const std::string& text) {
        test::write_file(m_dir.path() / "webdir.conf", text);
        setenv("KVRWEBDIR_CONFIG", (m_dir.path() / "webdir.conf").c_str(), 1);
    }
    void TearDown() override { unsetenv("KVRWEBDIR_CONFIG"); }
    Variant call(const std::string& method, VariantArray args = {}) {
        return CreateObject("KVRWebDir.clsKVRWebDir")->call(method, std::move(args));
    }
    test::TempDir m_dir;
};

TEST_F(WebDirTest, AnswersFromItsConfigurationFile) {
    use_config("# sites of this machine\n"
               "webroot = /srv/www/\n"
               "address = 127.0.0.1:8080\r\n"
               "\n"
               "Site Vendas = /srv/sites/Vendas\n"
               "site docs=/srv/docs\n");
    struct Row {
        const char* method;
        VariantArray args;
        Variant expected;
    };
    const std::vector<Row> rows{
        {"ObterDiretorioFisico", {Variant("vendas")}, r({"00", "/srv/sites/Vendas"})},
        {"ObterDiretorioFisico", {Variant(" VENDAS ")}, r({"00", "/srv/sites/Vendas"})},
        {"ObterDiretorioFisico", {Variant("/vendas/rel/")}, r({"00", "/srv/sites/Vendas/rel/"})},
        {"ObterDiretorioFisico", {Variant("\\docs\\a")}, r({"00", "/srv/docs/a"})},
        {"ObterDiretorioFisico", {Variant("/outros/a.txt")}, r({"00", "/srv/www/outros/a.txt"})},
        {"ObterDiretorioFisico", {Variant("compras")}, r({"02", "Site não encontrado: compras."})},
        {"ObterIPPorta", {}, r({"00", "127.0.0.1:8080"})},
        {"ObterWebRoot", {Variant("127.0.0.1")}, r({"00", "/srv/www"})},
    };
    for (const auto& row : rows)
        EXPECT_EQ(call(row.method, row.args), row.expected)
            << row.method << " " << (row.args.empty() ? "" : row.args[0].to_string());
}

TEST_F(WebDirTest, FailuresOfTheConfiguration) {
    unsetenv("KVRWEBDIR_CONFIG");
    EXPECT_EQ(call("ObterIPPorta"),
              r({"01", "Arquivo de configuração do KVRWebDir não definido (KVRWEBDIR_CONFIG)."}));

    setenv("KVRWEBDIR_CONFIG", (m_dir.path() / "nenhum.conf").c_str(), 1);
    EXPECT_EQ(call("ObterWebRoot", {Variant("127.0.0.1")}).as_array()[0], Variant("01"));

    use_config("webroot = /srv/www\nisto nao vale\n");
    EXPECT_EQ(call("ObterDiretorioFisico", {Variant("x")}),
              r({"01", "Linha 2 inválida no arquivo de configuração " +
                           (m_dir.path() / "webdir.conf").string() + "."}));

    // Without a web root: sites still resolve, the server's address has its default.
    use_config("site vendas = /srv/vendas\n");
    EXPECT_EQ(call("ObterWebRoot", {Variant("127.0.0.1")}), r({"03", "Raiz WEB não configurada."}));
    EXPECT_EQ(call("ObterDiretorioFisico", {Variant("/outros")}),
              r({"03", "Raiz WEB não configurada."}));
    EXPECT_EQ(call("ObterDiretorioFisico", {Variant("/vendas")}), r({"00", "/srv/vendas"}));
    EXPECT_EQ(call("ObterIPPorta"), r({"00", "127.0.0.1:80"}));
}

TEST(ServidorTest, ServerVariablesAreTheEnvironmentInNameOrder) {
    setenv("APPL_PHYSICAL_PATH", "/srv/app/", 1);
    setenv("AAA_KVR_FIRST", "1", 1);
    Variant reply = CreateObject("RXTServidorAsp.clsServidor")->call("ObterAmbienteServidor", {});
    unsetenv("APPL_PHYSICAL_PATH");
    unsetenv("AAA_KVR_FIRST");

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
