// The default server-environment component, RXTServidorAsp.clsServidor: the server's
// variables (APPL_PHYSICAL_PATH and the rest) are the process environment.
#pragma once

#include "platform/automation/Object.h"

namespace kvr::components {

class clsServidor : public Object {
  public:
    static constexpr const char* kProgId = "RXTServidorAsp.clsServidor";

    // ("00", name 1, value 1, name 2, value 2, ...), names in ascending order.
    Variant ObterAmbienteServidor() const;

    const DispatchTable* dispatch_table() const override;
};

} // namespace kvr::components
