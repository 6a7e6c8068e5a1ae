// frmKVRDialog: the hidden form that carries the common dialog oDialog. Its four public
// functions open and save files with a filter chosen by an extension key, and tell which
// extensions must never be uploaded. Callers take the default instance
// (kvr::ui::DefaultInstance<frmKVRDialog>::get()), call one function and unload it.
#pragma once

#include "platform/automation/Err.h"
#include "platform/automation/Variant.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Form.h"

#include <string>

namespace kvr {

class frmKVRDialog : public ui::Form {
  public:
    frmKVRDialog();

    const DispatchTable* dispatch_table() const override;

    // The chosen full path as text, or the Boolean False (cancel, failure, forbidden file).
    Variant AbrirArquivo(const Variant& sExtensao);
    // The chosen full path as text (an existing file of that name is deleted), or False.
    Variant SalvarArquivo(const Variant& sExtensao);
    // The filter text for an extension key, "SIM" (the JPEG filter) or a filter text of the
    // caller's own, which comes back unchanged.
    std::string ExtensaoPermitida(const Variant& sExtensao);
    // True when an extension (without its dot) must never be uploaded.
    bool ExtensaoProibida(const Variant& sExtensao);
    // The message that refuses a forbidden extension, the extension as found.
    static std::string MensagemExtensaoProibida(const std::string& sExtensao);

    ui::CommonDialog& oDialog;

  private:
    void configurar_dialogo(const std::string& titulo, const Variant& sExtensao);
    static Variant saida_com_erro(const Err& err);
};

} // namespace kvr
