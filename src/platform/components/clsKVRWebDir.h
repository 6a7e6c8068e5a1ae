// The default web-directory component, KVRWebDir.clsKVRWebDir: the web server's sites, web
// root and address, read from the small text file named by KVRWEBDIR_CONFIG:
//
//   # comments and blank lines are ignored; keys are case-insensitive
//   webroot = /srv/www                 physical root of the web server
//   address = 127.0.0.1:80             the server's address and port (this when absent)
//   site vendas = /srv/sites/vendas    a site (or virtual directory) and its folder
//
// Every method answers with a reply array: ("00", value) on success, (status, error text)
// on failure: "01" the file is not named, unreadable or has a bad line, "02" no such site,
// "03" no web root configured. The file is read afresh by every call.
#pragma once

#include "platform/automation/Object.h"

#include <string>

namespace kvr::components {

class clsKVRWebDir : public Object {
  public:
    static constexpr const char* kProgId = "KVRWebDir.clsKVRWebDir";

    // The folder of a site name ("vendas") or of a virtual path ("/docs/", "\vendas\rel"):
    // a path whose first segment names a site lies in that site's folder, any other lies
    // under the web root.
    Variant ObterDiretorioFisico(const std::string& sSite) const;
    // The web server's "address:port".
    Variant ObterIPPorta() const;
    // The web server's physical root (one server: the address asked for is not checked).
    Variant ObterWebRoot(const std::string& sIP) const;

    const DispatchTable* dispatch_table() const override;
};

} // namespace kvr::components
