#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"
#include "platform/automation/Err.h"
#include "platform/automation/Exports.h"
#include "support/RaisedNumber.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kvr;

namespace {

class Conta : public Object {
  public:
    const DispatchTable* dispatch_table() const override {
        static const DispatchTable table =
            DispatchBuilder<Conta>("Conta")
                .ids("_Conta", "{11111111-2222-3333-4444-555555555555}", "{IID}")
                .property("Saldo", 1, &Conta::get_Saldo, &Conta::put_Saldo)
                .method(
                    "Depositar", 2,
                    {{"vValor", false, {}}, {"sModo", true, Variant("NAO")}, {"vNota", true, {}}},
                    [](Conta& c, VariantArray& a) {
                        c.saldo += a[0].to_long();
                        c.last_args = a;
                        return Variant(c.saldo);
                    })
                .build();
        return &table;
    }
    Variant get_Saldo() const { return Variant(saldo); }
    void put_Saldo(const Variant& v) { saldo = v.to_long(); }
    std::int32_t saldo = 0;
    VariantArray last_args;
};

} // namespace

TEST(Dispatch, LateBoundMembersByNameOrIdentifierWithDeclaredDefaultsAndErrors) {
    auto c = std::make_shared<Conta>();
    c->put("saldo", Variant("10"));
    EXPECT_EQ(c->get("SALDO").to_long(), 10);
    EXPECT_EQ(c->call("Depositar", {Variant(std::int32_t{5})}).to_long(), 15);
    ASSERT_EQ(c->last_args.size(), 3u);
    EXPECT_EQ(c->last_args[1].to_string(), "NAO"); // declared default
    EXPECT_TRUE(c->last_args[2].is_missing());     // optional without default
    EXPECT_EQ(c->invoke(1, InvokeKind::Get, {}).to_long(), 15);
    c->invoke(2, InvokeKind::Call, {Variant(std::int32_t{1}), Variant::missing(), Variant("x")});
    EXPECT_EQ(c->last_args[1].to_string(), "NAO");
    EXPECT_EQ(c->last_args[2].to_string(), "x");
    // Errors have the runtime's numbers.
    EXPECT_EQ(test::raised_number([&] { c->get("Nada"); }), rt::MethodNotSupported);
    EXPECT_EQ(test::raised_number([&] { c->call("Depositar", {}); }), 449);
    EXPECT_EQ(test::raised_number([&] { c->call("Depositar", VariantArray(4)); }), 450);
    EXPECT_EQ(test::raised_number([&] { c->put("Saldo", Variant("dez")); }), rt::TypeMismatch);
}

TEST(Err, KeepsTheLastPendingErrorUntilCleared) {
    Err err;
    EXPECT_TRUE(err.attempt([] {}));
    EXPECT_FALSE(err.attempt([] { (void)Variant("x").to_integer(); }));
    EXPECT_FALSE(err.attempt([] { (void)Variant("99999").to_integer(); }));
    ASSERT_TRUE(err.pending());
    EXPECT_EQ(err.numbered_text(), "6 - Overflow");
    err.clear();
    EXPECT_FALSE(err.pending());
    EXPECT_FALSE(err.attempt([] { throw std::runtime_error("boom"); }));
    EXPECT_EQ(err.number(), rt::Internal);
}

TEST(Registry, CreateObjectAndTheServerExports) {
    ClassRegistrar reg({"Teste.Conta", "{11111111-2222-3333-4444-555555555555}",
                        [] { return std::make_shared<Conta>(); }});
    EXPECT_EQ(CreateObject("teste.CONTA")->type_name(), "Conta");

    test::TempDir dir;
    auto file = dir.path() / "registry";
    setenv("KVRUPLOAD_REGISTRY", file.c_str(), 1);
    EXPECT_EQ(DllRegisterServer(), 0);
    EXPECT_NE(test::read_file(file).find("Teste.Conta\t{11111111-2222-3333-4444-555555555555}"),
              std::string::npos);

    void* factory = nullptr;
    EXPECT_EQ(DllGetClassObject("{11111111-2222-3333-4444-555555555555}", "", &factory), 0);
    auto* f = static_cast<ClassFactory*>(factory);
    Object* o = f->create_instance(f->clsid);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(DllCanUnloadNow(), 1); // an object is alive
    f->release_instance(o);
    EXPECT_NE(DllGetClassObject("{00000000-0000-0000-0000-000000000000}", "", &factory), 0);

    EXPECT_EQ(DllUnregisterServer(), 0);
    EXPECT_EQ(test::read_file(file).find("Teste.Conta"), std::string::npos);
    ClassRegistry::instance().remove("Teste.Conta");
}
