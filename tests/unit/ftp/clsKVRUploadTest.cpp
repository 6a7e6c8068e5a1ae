// The FTP class without a server: creation, the unconnected answers of every member, and the
// interface a type library is generated from.
#include "ftp/clsKVRUpload.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"

#include <gtest/gtest.h>

#include <cstdlib>

using kvr::ComError;
using kvr::Variant;
using kvr::VariantArray;

namespace {
std::vector<std::string> texts(const Variant& v) {
    std::vector<std::string> out;
    for (const auto& e : v.as_array())
        out.push_back(e.to_string());
    return out;
}
const std::string kNotConnected = "-2147219499 - Não conectado ao Site FTP.";
} // namespace

TEST(clsKVRUpload, CreationFailsWithoutASession) {
    setenv("KVR_FTP_DISABLE", "1", 1);
    try {
        kvr::CreateObject("KVRUpload.clsKVRUpload");
        ADD_FAILURE() << "created";
    } catch (const ComError& e) {
        EXPECT_EQ(e.number(), -2147219495);
        EXPECT_EQ(e.source(), "clsKVRUpload::Class_Initialise");
        EXPECT_EQ(e.description(), "Não é possível estabelecer uma conexão com o WinInet.dll.");
    }
    unsetenv("KVR_FTP_DISABLE");
    EXPECT_NE(kvr::CreateObject("KVRUpload.clsKVRUpload"), nullptr);
}

TEST(clsKVRUpload, UnconnectedMembersAnswerTheirWay) {
    auto ftp = kvr::CreateObject("KVRUpload.clsKVRUpload");
    struct Row {
        const char* member;
        VariantArray args;
    };
    const Row rows[] = {
        {"Disconnect", {}},
        {"GetDirectoryList", {}},
        {"GetFile", {Variant("   ")}},
        {"GetFile", {Variant::null()}},
        {"PutFile", {}},
        {"RenameFile", {Variant("a"), Variant("b")}},
        {"DeleteFile", {Variant("a")}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(texts(ftp->call(r.member, r.args)),
                  (std::vector<std::string>{"0", kNotConnected}))
            << r.member;
    EXPECT_EQ(ftp->get("Connected").type(), kvr::VarType::Boolean);
    EXPECT_FALSE(ftp->get("Connected").to_bool());
    for (const char* p : {"Host", "User", "Password", "Directory"})
        EXPECT_EQ(ftp->get(p), Variant("")) << p;
    try {
        ftp->put("Directory", Variant("pub"));
        ADD_FAILURE() << "Directory accepted while not connected";
    } catch (const ComError& e) {
        EXPECT_EQ(e.number(), -2147219499);
        EXPECT_EQ(e.source(), "clsKVRUpload::Directory_Let");
        EXPECT_EQ(e.description(), "Não conectado ao Site FTP.");
    }
}

TEST(clsKVRUpload, ConnectWithoutAHost) {
    auto ftp = kvr::CreateObject("KVRUpload.clsKVRUpload");
    const std::vector<std::string> no_host = {
        "0", "-2147219496 - Nenhum Endereço de Host especificado."};
    EXPECT_EQ(texts(ftp->call("Connect", {})), no_host);
    EXPECT_EQ(texts(ftp->call("Connect", {Variant::null()})), no_host);
    ftp->put("Host", Variant(""));
    EXPECT_EQ(texts(ftp->call("Connect", {})), no_host);
    ftp->put("User", Variant(42));
    EXPECT_EQ(ftp->get("User"), Variant("42"));
}

TEST(clsKVRUpload, InterfaceAsTheTypeLibraryDescribesIt) {
    auto ftp = kvr::CreateObject("KVRUpload.clsKVRUpload");
    const kvr::DispatchTable* t = ftp->dispatch_table();
    ASSERT_NE(t, nullptr);
    std::vector<std::string> names;
    for (const auto& m : t->members)
        names.push_back(m.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Host", "User", "Password", "Directory", "Connected",
                                               "Connect", "Disconnect", "GetDirectoryList",
                                               "GetFile", "PutFile", "RenameFile", "DeleteFile"}));
    for (const char* method : {"GetFile", "PutFile"}) {
        const auto* m = t->find(method);
        ASSERT_EQ(m->params.size(), 4u);
        EXPECT_EQ(*m->params[2].default_value, Variant("ASCII")) << method;
        EXPECT_EQ(*m->params[3].default_value, Variant("NAO")) << method;
    }
    EXPECT_EQ(t->find("Connected")->putter, nullptr);
    EXPECT_EQ(kvr::kFileTransferType[0].value, 1);
    EXPECT_EQ(kvr::kFileTransferType[1].value, 2);
    EXPECT_EQ(std::size(kvr::kErrFtpErrors), 9u);
    EXPECT_EQ(kvr::ftp_error(kvr::errCannotConnect), -2147219503);
    EXPECT_EQ(kvr::ftp_error(kvr::errFatal), -2147219495);
}
