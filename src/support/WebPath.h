// Web-path resolution of modSuporte: a local file argument may be an ordinary path, a path
// that starts with a web-path token ("$(webpath)..." or "$(webpath[site])..."), or an address
// on the local web server ("http://host:port/..."). DefinirWebPath turns the last two into
// physical paths through the outside components KVRWebDir.clsKVRWebDir and
// RXTServidorAsp.clsServidor, and tidies the separators of all three. Failures are logged
// through GerarLog; nothing is raised or shown.
//
// Separators are native ("/", or "\" on Windows): normalisation turns every separator into the
// native one and collapses doubled ones after the first two characters (so a leading pair
// survives); a path received with a trailing "\" keeps one (a trailing "/" asks for nothing). Paths
// rewritten through a token or an address come back in lower case.
#pragma once

#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"

#include <memory>
#include <string>

namespace kvr {

// The resolved path as a text Variant, or Empty when the resolution failed. `oServidor` is
// the caller's server-environment component (possibly empty); it is never created here.
Variant DefinirWebPath(std::shared_ptr<Object>& oServidor, const std::string& sCaminho);

// Replaces the address prefix `sPrefixo` (lower case) in `sCaminho` by the application's
// physical path (APPL_PHYSICAL_PATH of the server environment, or else the web root of
// KVRWebDir) and returns the rewritten path. Used by DefinirWebPath only. When not even
// KVRWebDir can be created it leaves `sCaminho` unchanged and raises error 99, which makes
// DefinirWebPath fail.
Variant ObterWebPath(std::shared_ptr<Object>& oServidor, std::string& sCaminho,
                     std::string& sPrefixo);

} // namespace kvr
