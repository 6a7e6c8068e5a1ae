// Writes the type library's IDL from the library's own dispatch tables, so the names, dispatch
// identifiers, optional arguments and defaults a COM client sees are the ones late binding
// uses. Run at build time (under Wine in a cross build): IdlWriter > KVRUpload.idl.
#include "ftp/clsKVRUpload.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/DispatchTable.h"
#include "platform/sys/Version.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

namespace {

using namespace kvr;

constexpr const char* kLibraryId = "EF9ADF0D-0012-48C6-B2FA-B98A20538FD5";

std::string bare(const std::string& guid) {
    if (guid.size() > 2 && guid.front() == '{' && guid.back() == '}')
        return guid.substr(1, guid.size() - 2);
    return guid;
}

std::string hex(std::int32_t id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(id));
    return buf;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string parameter(const Param& p) {
    std::string attrs = "[in";
    if (p.optional)
        attrs += ", optional";
    if (p.default_value && p.default_value->is_string())
        attrs += ", defaultvalue(" + quoted(p.default_value->as_string()) + ")";
    return attrs + "] VARIANT " + p.name;
}

void write_interface(std::ostream& out, const DispatchTable& t) {
    out << "    [uuid(" << bare(t.iid) << "), helpstring(\"" << t.class_name
        << "\")]\n    dispinterface " << t.interface_name << " {\n    properties:\n    methods:\n";
    for (const Member& m : t.members) {
        const std::string id = "[id(" + hex(m.dispid) + ")";
        if (m.kind == MemberKind::Method) {
            out << "        " << id << "] VARIANT " << m.name << "(";
            for (std::size_t i = 0; i < m.params.size(); ++i)
                out << (i ? ", " : "") << parameter(m.params[i]);
            out << ");\n";
            continue;
        }
        out << "        " << id << ", propget] VARIANT " << m.name << "();\n";
        if (m.kind == MemberKind::Property)
            out << "        " << id << ", propput] void " << m.name << "([in] VARIANT rhs);\n";
    }
    out << "    };\n\n    [uuid(" << bare(t.clsid) << ")]\n    coclass " << t.class_name
        << " {\n        [default] dispinterface " << t.interface_name << ";\n    };\n\n";
}

template <typename Constants>
void write_enum(std::ostream& out, const char* name, const Constants& constants) {
    out << "    typedef enum " << name << " {\n";
    for (const auto& c : constants)
        out << "        " << c.name << " = " << c.value << ",\n";
    out << "    } " << name << ";\n\n";
}

} // namespace

int main() {
    std::ostringstream out;
    out << "// Generated from the library's dispatch tables at build time.\nimport "
           "\"oaidl.idl\";\n\n"
        << "[uuid(" << kLibraryId << "), version(" << KVRUPLOAD_VERSION_MAJOR << "."
        << KVRUPLOAD_VERSION_MINOR << "), helpstring(\"KVRUpload " << KVRUPLOAD_VERSION
        << "\")]\nlibrary KVRUpload {\n    importlib(\"stdole2.tlb\");\n\n";
    write_enum(out, "FileTransferType", kFileTransferType);
    write_enum(out, "errFtpErrors", kErrFtpErrors);
    for (const ClassInfo& c : ClassRegistry::instance().all()) {
        if (!c.library_class)
            continue;
        auto object = c.factory();
        if (const DispatchTable* t = object ? object->dispatch_table() : nullptr)
            write_interface(out, *t);
    }
    out << "};\n";
    std::cout << out.str();
    return 0;
}
