// The control's dispatch table and its late-bound face. What a host reads back and which
// values are refused is tested through the Python host (tests/python/test_control.py).
#include "control/ctlKVRUpload.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/DispatchTable.h"

#include <gtest/gtest.h>

namespace kvr {
namespace {

TEST(ctlKVRUploadTable, MembersWithTheirIdentifiersAndDefaults) {
    auto ctl = CreateObject("KVRUpload.ctlKVRUpload");
    const DispatchTable* t = ctl->dispatch_table();
    ASSERT_NE(t, nullptr);
    const std::vector<std::pair<std::string, std::int32_t>> expected{
        {"ExibirProgresso", 0x6803000F}, {"FecharProgresso", 0x68030017},
        {"UserName", 0x6803000E},        {"Password", 0x6803000D},
        {"Protocol", 0x6803000C},        {"RemoteHost", 0x6803000B},
        {"RemotePort", 0x6803000A},      {"ProxyAddress", 0x68030009},
        {"CreateObjectFtp", 0x60030016}, {"Download", 0x60030011},
        {"UpLoad", 0x60030012}};
    ASSERT_EQ(t->members.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first);
        EXPECT_EQ(t->members[i].name, expected[i].first);
        EXPECT_EQ(t->members[i].dispid, expected[i].second);
        EXPECT_EQ(t->members[i].kind == MemberKind::Method, i >= 8);
    }
    // The local file may be omitted and arrives so; the dialog option defaults to "NAO".
    for (const char* name : {"Download", "UpLoad"}) {
        const Member* m = t->find(name);
        ASSERT_EQ(m->params.size(), 3u);
        EXPECT_FALSE(m->params[0].optional);
        EXPECT_TRUE(m->params[1].optional);
        EXPECT_FALSE(m->params[1].default_value.has_value());
        EXPECT_EQ(m->params[2].default_value, std::optional<Variant>(Variant("NAO")));
    }
    EXPECT_EQ(t->find("ProcessarParametros"), nullptr);

    auto info = ClassRegistry::instance().find_clsid("{8B7BF170-E2CB-40E1-B092-A1BF3D8141BD}");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->progid, "KVRUpload.ctlKVRUpload");
    EXPECT_TRUE(info->library_class);
    EXPECT_EQ(ctlKVRUpload().control("Label1").caption(), "KVRUpload");
}

TEST(ctlKVRUploadTable, PutsAndGetsByDispatchIdentifierAndByAnyCase) {
    auto ctl = CreateObject("KVRUpload.ctlKVRUpload");
    ctl->invoke(0x6803000F, InvokeKind::Put, {Variant(" sim ")});
    EXPECT_EQ(ctl->invoke(0x6803000F, InvokeKind::Get, {}), Variant("SIM"));
    ctl->invoke(0x6803000A, InvokeKind::Put, {Variant(std::int32_t{21})});
    EXPECT_EQ(ctl->get("remoteport"), Variant(std::int32_t{21}));
}

} // namespace
} // namespace kvr
