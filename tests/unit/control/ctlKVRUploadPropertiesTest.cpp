// The control's face, its dispatch table and its eight properties, driven late-bound as a host
// drives them.
#include "control/ctlKVRUpload.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"

#include <gtest/gtest.h>

namespace kvr {
namespace {

constexpr std::int32_t kRefused = -2147219496;

std::shared_ptr<Object> novo_controle() {
    return CreateObject("KVRUpload.ctlKVRUpload");
}

TEST(ctlKVRUploadTable, MembersInTypeLibraryOrderWithTheirIdentifiers) {
    auto ctl = novo_controle();
    const DispatchTable* t = ctl->dispatch_table();
    ASSERT_NE(t, nullptr);
    std::vector<std::pair<std::string, std::int32_t>> expected{
        {"ExibirProgresso", 0x6803000F}, {"FecharProgresso", 0x68030017},
        {"UserName", 0x6803000E},        {"Password", 0x6803000D},
        {"Protocol", 0x6803000C},        {"RemoteHost", 0x6803000B},
        {"RemotePort", 0x6803000A},      {"ProxyAddress", 0x68030009},
        {"CreateObjectFtp", 0x60030016}, {"Download", 0x60030011},
        {"UpLoad", 0x60030012}};
    ASSERT_EQ(t->members.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(t->members[i].name, expected[i].first);
        EXPECT_EQ(t->members[i].dispid, expected[i].second) << expected[i].first;
        EXPECT_EQ(t->members[i].kind == MemberKind::Method, i >= 8) << expected[i].first;
    }
    EXPECT_EQ(t->slots,
              (std::vector<std::string>{
                  "ExibirProgresso put", "ExibirProgresso get", "UserName put", "UserName get",
                  "Password put", "Password get", "Protocol put", "Protocol get", "RemoteHost put",
                  "RemoteHost get", "RemotePort put", "RemotePort get", "ProxyAddress put",
                  "ProxyAddress get", "Download", "UpLoad", "CreateObjectFtp",
                  "FecharProgresso put", "FecharProgresso get"}));
    EXPECT_EQ(t->interface_name, "_ctlKVRUpload");
    EXPECT_EQ(t->clsid, "{8B7BF170-E2CB-40E1-B092-A1BF3D8141BD}");
    EXPECT_EQ(t->iid, "{1872768B-B121-11D6-AB67-00001C091A0A}");
    EXPECT_EQ(t->event_iid, "{1872768C-B121-11D6-AB67-00001C091A0A}");
    EXPECT_EQ(std::string(ctlKVRUpload::kTypeLibId), "{520CA3F0-B102-487E-8F53-4CDF4A79AE68}");

    for (const char* name : {"Download", "UpLoad"}) {
        const Member* m = t->find(name);
        ASSERT_EQ(m->params.size(), 3u);
        EXPECT_FALSE(m->params[0].optional);
        EXPECT_TRUE(m->params[1].optional);
        EXPECT_FALSE(m->params[1].default_value.has_value());
        ASSERT_TRUE(m->params[2].default_value.has_value());
        EXPECT_EQ(*m->params[2].default_value, Variant("NAO"));
    }
    EXPECT_EQ(t->find("Download")->params[1].name, "sOutPutFile");
    EXPECT_EQ(t->find("UpLoad")->params[1].name, "sInPutFile");
    EXPECT_EQ(t->find("ProcessarParametros"), nullptr);

    auto info = ClassRegistry::instance().find_clsid("{8B7BF170-E2CB-40E1-B092-A1BF3D8141BD}");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->progid, "KVRUpload.ctlKVRUpload");
    EXPECT_TRUE(info->library_class);
}

TEST(ctlKVRUploadFace, BlueLabelOnItsSurface) {
    ctlKVRUpload ctl;
    EXPECT_EQ(ctl.type_name(), "ctlKVRUpload");
    EXPECT_EQ(ctl.width(), 1260);
    EXPECT_EQ(ctl.height(), 495);
    ui::Control& label = ctl.control("Label1");
    EXPECT_EQ(label.caption(), "KVRUpload");
    EXPECT_EQ(label.fore_color(), ui::rgb(0, 0, 255));
    EXPECT_EQ((std::vector<int>{label.left(), label.top(), label.width(), label.height()}),
              (std::vector<int>{120, 120, 975, 255}));
    EXPECT_TRUE(label.visible());
    EXPECT_EQ(ctl.controls().size(), 1u);
}

TEST(ctlKVRUploadProperties, FreshControlReadsEmpty) {
    auto ctl = novo_controle();
    for (const char* name :
         {"ExibirProgresso", "FecharProgresso", "UserName", "Password", "Protocol"}) {
        Variant v = ctl->get(name);
        EXPECT_TRUE(v.is_string()) << name;
        EXPECT_EQ(v, Variant("")) << name;
    }
    for (const char* name : {"RemoteHost", "RemotePort", "ProxyAddress"})
        EXPECT_TRUE(ctl->get(name).is_empty()) << name;
}

struct AcceptedPut {
    const char* property;
    Variant value;
    Variant reads_back;
};

TEST(ctlKVRUploadProperties, AcceptedValuesAndWhatTheyReadBack) {
    const std::vector<AcceptedPut> rows{
        {"ExibirProgresso", Variant(" sim "), Variant("SIM")},
        {"ExibirProgresso", Variant(" nao "), Variant("NAO")},
        {"FecharProgresso", Variant("Sim"), Variant("SIM")},
        {"UserName", Variant(" maria "), Variant(" maria ")},
        {"Password", Variant("s3nha"), Variant("s3nha")},
        {"Protocol", Variant(std::int32_t{5}), Variant("5")},
        {"Protocol", Variant("https"), Variant("https")},
        {"RemoteHost", Variant(" servidor "), Variant(" servidor ")},
        {"RemotePort", Variant(std::int32_t{8080}), Variant(std::int32_t{8080})},
        {"RemotePort", Variant("porta"), Variant("porta")},
        {"RemotePort", Variant(8080.5), Variant(8080.5)},
        {"ProxyAddress", Variant("127.0.0.1:3128"), Variant("127.0.0.1:3128")},
    };
    for (const auto& row : rows) {
        auto ctl = novo_controle();
        ctl->put(row.property, row.value);
        Variant got = ctl->get(row.property);
        EXPECT_EQ(got, row.reads_back) << row.property << " = " << row.value.to_string();
        EXPECT_EQ(got.type(), row.reads_back.type()) << row.property;
    }
}

struct RefusedPut {
    const char* property;
    Variant value;
    const char* description;
};

TEST(ctlKVRUploadProperties, RefusedValuesRaise2008AndKeepTheOldValue) {
    const std::vector<RefusedPut> rows{
        {"ExibirProgresso", Variant("S"), "ExibirProgresso deve ser \"SIM\" ou \"NAO\"."},
        {"ExibirProgresso", Variant(""), "ExibirProgresso deve ser \"SIM\" ou \"NAO\"."},
        {"FecharProgresso", Variant("talvez"), "FecharProgresso deve ser \"SIM\" ou \"NAO\"."},
        {"UserName", Variant("   "), "Usuário deve ser informado."},
        {"Password", Variant(""), "Senha deve ser informada."},
        {"Protocol", Variant(" "), "Protocolo deve ser informado."},
        {"RemoteHost", Variant(""), "Host Remoto deve ser informado"},
        {"RemotePort", Variant("  "), "Porta Remota deve ser informada."},
        {"ProxyAddress", Variant(), "Endereço Proxy deve ser informado."},
    };
    for (const auto& row : rows) {
        auto ctl = novo_controle();
        const bool flag = std::string(row.property).ends_with("Progresso");
        Variant before = flag ? Variant("SIM") : Variant("antes");
        ctl->put(row.property, before);
        try {
            ctl->put(row.property, row.value);
            ADD_FAILURE() << row.property << " accepted a refused value";
        } catch (const ComError& e) {
            EXPECT_EQ(e.number(), kRefused) << row.property;
            EXPECT_EQ(e.source(), std::string("ctlKVRUpload::") + row.property + "_Let");
            EXPECT_EQ(e.description(), row.description);
        }
        EXPECT_EQ(ctl->get(row.property), before) << row.property;
    }
}

TEST(ctlKVRUploadProperties, NullPassesBothChecksAndIsStored) {
    auto ctl = novo_controle();
    for (const char* name : {"ExibirProgresso", "FecharProgresso", "UserName", "Password",
                             "Protocol", "RemoteHost", "RemotePort", "ProxyAddress"})
        EXPECT_NO_THROW(ctl->put(name, Variant::null())) << name;
    for (const char* name : {"RemoteHost", "RemotePort", "ProxyAddress"})
        EXPECT_TRUE(ctl->get(name).is_null()) << name;
    // The text properties read their value as text, and Null has none.
    try {
        ctl->get("UserName");
        ADD_FAILURE() << "Null read as text";
    } catch (const ComError& e) {
        EXPECT_EQ(e.number(), rt::InvalidUseOfNull);
    }
}

TEST(ctlKVRUploadProperties, PutsByDispatchIdentifier) {
    auto ctl = novo_controle();
    ctl->invoke(0x6803000F, InvokeKind::Put, {Variant(" sim ")});
    EXPECT_EQ(ctl->invoke(0x6803000F, InvokeKind::Get, {}), Variant("SIM"));
    ctl->invoke(0x6803000A, InvokeKind::Put, {Variant(std::int32_t{21})});
    EXPECT_EQ(ctl->get("remoteport"), Variant(std::int32_t{21}));
}

} // namespace
} // namespace kvr
