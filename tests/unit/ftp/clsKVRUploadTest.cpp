// The FTP class without a server; Connect without a host and Disconnect are run against vsftpd.
#include "ftp/clsKVRUpload.h"
#include "integration/ftp/FtpClassSupport.h"
#include "platform/automation/ComError.h"

#include <gtest/gtest.h>

using namespace kvr;
using namespace kvr::test;

TEST(clsKVRUpload, UnconnectedMembersAnswerTheirWay) {
    auto ftp = CreateObject("KVRUpload.clsKVRUpload");
    const std::string not_connected = "-2147219499 - Não conectado ao Site FTP.";
    struct Row {
        const char* member;
        VariantArray args;
        std::string text;
    };
    const Row rows[] = {
        {"Connect", {Variant::null()}, "-2147219496 - Nenhum Endereço de Host especificado."},
        {"GetDirectoryList", {}, not_connected},
        {"GetFile", {Variant("   ")}, not_connected},
        {"GetFile", {Variant::null()}, not_connected},
        {"PutFile", {}, not_connected},
        {"RenameFile", {Variant("a"), Variant("b")}, not_connected},
        {"DeleteFile", {Variant("a")}, not_connected},
    };
    for (const auto& r : rows)
        EXPECT_EQ(texts(ftp->call(r.member, r.args)), (Texts{"0", r.text})) << r.member;
    EXPECT_THROW(ftp->put("Connected", Variant(true)), ComError) << "Connected is read-only";
}
