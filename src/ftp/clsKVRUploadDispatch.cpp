// clsKVRUpload's dispatch table (members in type-library order, slot order, declared
// defaults) and its registration under its ProgID. Together with the enumerations in the
// header it is what the class's type library is generated from.
#include "ftp/clsKVRUpload.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/DispatchTable.h"

namespace kvr {

namespace {

constexpr const char* kClsid = "{F7C4E558-DE36-456E-9829-EEA04913C1F6}";
constexpr const char* kIid = "{C014293A-FB82-440C-BA77-EFFD766D3807}";

// Dispatch identifiers as the class's compiler numbers them: properties, then methods.
constexpr std::int32_t kProperty = 0x68030000;
constexpr std::int32_t kMethod = 0x60030000;

Param optional(const char* name) {
    return Param{name, true, std::nullopt};
}
Param required(const char* name) {
    return Param{name, false, std::nullopt};
}
Param with_default(const char* name, const char* value) {
    return Param{name, true, Variant(value)};
}

DispatchTable build_table() {
    using C = clsKVRUpload;
    return DispatchBuilder<C>("clsKVRUpload")
        .ids("_clsKVRUpload", kClsid, kIid)
        .property("Host", kProperty + 0, &C::Host_Get, &C::Host_Let)
        .property("User", kProperty + 1, &C::User_Get, &C::User_Let)
        .property("Password", kProperty + 2, &C::Password_Get, &C::Password_Let)
        .property("Directory", kProperty + 3, &C::Directory_Get, &C::Directory_Let)
        .property("Connected", kProperty + 4, &C::Connected_Get, nullptr)
        .method("Connect", kMethod + 0,
                {optional("Host"), optional("User"), optional("Password"), optional("Directory")},
                [](C& o, VariantArray& a) { return o.Connect(a[0], a[1], a[2], a[3]); })
        .method("Disconnect", kMethod + 1, {}, [](C& o, VariantArray&) { return o.Disconnect(); })
        .method("GetDirectoryList", kMethod + 2, {optional("Directory"), optional("FilterString")},
                [](C& o, VariantArray& a) { return o.GetDirectoryList(a[0], a[1]); })
        .method("GetFile", kMethod + 3,
                {required("ServerFileAndPath"), optional("DestinationFileAndPath"),
                 with_default("TransferType", "ASCII"), with_default("sOptDialog", "NAO")},
                [](C& o, VariantArray& a) { return o.GetFile(a[0], a[1], a[2], a[3]); })
        .method("PutFile", kMethod + 4,
                {optional("LocalFileAndPath"), optional("ServerFileAndPath"),
                 with_default("TransferType", "ASCII"), with_default("sOptDialog", "NAO")},
                [](C& o, VariantArray& a) { return o.PutFile(a[0], a[1], a[2], a[3]); })
        .method("RenameFile", kMethod + 5, {required("ExistingName"), required("NewName")},
                [](C& o, VariantArray& a) { return o.RenameFile(a[0], a[1]); })
        .method("DeleteFile", kMethod + 6, {required("ExistingName")},
                [](C& o, VariantArray& a) { return o.DeleteFile(a[0]); })
        .slots({"Host put", "Host get", "User put", "User get", "Password put", "Password get",
                "Directory put", "Directory get", "Connected get", "Connect", "Disconnect",
                "GetDirectoryList", "GetFile", "PutFile", "RenameFile", "DeleteFile"})
        .build();
}

const ClassRegistrar kRegistrar(ClassInfo{clsKVRUpload::kProgId, kClsid,
                                          [] { return std::make_shared<clsKVRUpload>(); }});

} // namespace

const DispatchTable* clsKVRUpload::dispatch_table() const {
    static const DispatchTable table = build_table();
    return &table;
}

} // namespace kvr
