#include "dialogs/frmKVRDialog.h"

#include "platform/automation/DispatchTable.h"
#include "platform/automation/Err.h"
#include "platform/automation/NamedInstances.h"
#include "platform/sys/Files.h"
#include "platform/ui/Backend.h"
#include "platform/ui/DefaultInstance.h"

#include <array>
#include <optional>

namespace kvr {

namespace {

// Keys at the even indices, each followed by its filter text.
const std::array<const char*, 12> aFiltros = {
    "JPG", "Documentos Imagens JPEG (*.jpg)|*.jpg;|",
    "GIF", "Documentos Imagens GIF (*.gif)|*.gif;|",
    "BMP", "Documentos Imagens BITMAP (*.bmp)|*.bmp;|",
    "TXT", "Documentos em Texto (*.txt)|*.txt;|",
    "CSV", "Documentos CSV (*.csv)|*.csv;|",
    "ZIP", "Documentos Compactados ZIP (*.zip)|*.zip;|",
};

// Extensions that must never be uploaded, compared whole.
const std::array<const char*, 43> aProibidas = {
    "386", "ACM", "ACV", "ADT", "AX",  "BAT", "BIN", "BTM", "CLA", "COM", "CPL",
    "CSC", "CSH", "DLL", "DRV", "EXE", "SCR", "SH",  "SHB", "SHS", "SMM", "SYS",
    "VBE", "VBS", "HTT", "INF", "INI", "JS",  "JSE", "JTD", "MSO", "OBD", "OBT",
    "OCX", "PIF", "PL",  "PM",  "POT", "VSD", "VSS", "VXD", "WSF", "WSH",
};

// ... and by their first two characters only.
const std::array<const char*, 2> aPrefixos = {"MP?", "OV?"};

const char* const kTituloAbrir = "Upload de Arquivo: Abrir";
const char* const kTituloSalvar = "Download de Arquivo: Salvar Como";

DispatchTable build_table() {
    auto one = [](const char* name) {
        return std::vector<Param>{Param{name, false, std::nullopt}};
    };
    return DispatchBuilder<frmKVRDialog>("frmKVRDialog")
        .method("AbrirArquivo", 1, one("sExtensao"),
                [](frmKVRDialog& f, VariantArray& a) { return f.AbrirArquivo(a[0]); })
        .method("SalvarArquivo", 2, one("sExtensao"),
                [](frmKVRDialog& f, VariantArray& a) { return f.SalvarArquivo(a[0]); })
        .method("ExtensaoPermitida", 3, one("sExtensao"),
                [](frmKVRDialog& f, VariantArray& a) { return Variant(f.ExtensaoPermitida(a[0])); })
        .method("ExtensaoProibida", 4, one("sExtensao"),
                [](frmKVRDialog& f, VariantArray& a) { return Variant(f.ExtensaoProibida(a[0])); })
        .build();
}

const NamedInstanceRegistrar registrar(ui::form_entry<frmKVRDialog>("frmKVRDialog"));

} // namespace

frmKVRDialog::frmKVRDialog()
    : ui::Form("frmKVRDialog"), oDialog(add_control<ui::CommonDialog>("oDialog")) {
    set_caption("KVRUpload");
}

const DispatchTable* frmKVRDialog::dispatch_table() const {
    static const DispatchTable table = build_table();
    return &table;
}

std::string frmKVRDialog::ExtensaoPermitida(const Variant& sExtensao) {
    // 1. Index 1 is the default entry.
    const std::size_t iPadrao = 1;
    // 2. "SIM" (upper-cased, not trimmed) gives the default filter.
    if (ucase(sExtensao.to_string()) == "SIM")
        return aFiltros[iPadrao];
    // 3. The first key equal to the trimmed, upper-cased argument gives its filter.
    const std::string sChave = ucase(trim(sExtensao.to_string()));
    for (std::size_t k = 0; k < aFiltros.size(); k += 2)
        if (sChave == aFiltros[k])
            return aFiltros[k + 1];
    // 4. No key: the argument is the filter.
    return sExtensao.to_string();
}

bool frmKVRDialog::ExtensaoProibida(const Variant& sExtensao) {
    // 1. Exact entries.
    const std::string e = ucase(trim(sExtensao.to_string()));
    for (const char* proibida : aProibidas)
        if (e == proibida)
            return true;
    // 2. Prefix entries: their first two characters.
    for (const char* prefixo : aPrefixos)
        if (left_chars(e, 2) == left_chars(prefixo, 2))
            return true;
    // 3. Neither: the extension is allowed.
    return false;
}

void frmKVRDialog::configurar_dialogo(const std::string& titulo, const Variant& sExtensao) {
    oDialog.set_dialog_title(titulo);
    oDialog.set_filter_index(1);
    oDialog.set_filter(ExtensaoPermitida(sExtensao));
    oDialog.set_file_name("");
    oDialog.set_cancel_error(true);
    oDialog.set_flags(ui::cdlOFNOverwritePrompt | ui::cdlOFNHideReadOnly);
}

// The error exit of both dialogs: False, and a message unless the user cancelled.
Variant frmKVRDialog::saida_com_erro(const Err& err) {
    if (err.number() != rt::CancelError)
        ui::MsgBox("Ocorreu o Seguinte Erro:" + std::to_string(err.number()) + " - " +
                   err.description());
    return Variant(false);
}

Variant frmKVRDialog::AbrirArquivo(const Variant& sExtensao) {
    // 1. Error trap: whatever fails below goes to the error exit (step 7).
    Err err;
    std::optional<Variant> resultado;
    err.attempt([&] {
        ensure_loaded();
        // 2. Settings.
        configurar_dialogo(kTituloAbrir, sExtensao);
        // 3. The Open dialog; a cancel raises 32755.
        oDialog.show_open();
        // 4. No file name: error exit.
        const std::string sArquivo = oDialog.file_name();
        if (sArquivo.empty())
            return;
        // 5. The extension is everything after the first "." of the whole path.
        if (const std::size_t ponto = InStr(sArquivo, "."); ponto > 0) {
            const std::string sExt = trim(Mid(sArquivo, ponto + 1));
            if (ExtensaoProibida(Variant(sExt))) {
                ui::MsgBox(MensagemExtensaoProibida(sExt));
                resultado.emplace(false);
                return;
            }
        }
        // 6. The chosen file.
        resultado.emplace(sArquivo);
    });
    if (resultado)
        return *resultado;
    // 7. Error exit.
    return saida_com_erro(err);
}

Variant frmKVRDialog::SalvarArquivo(const Variant& sExtensao) {
    // 1. Error trap: whatever fails below goes to the error exit (step 5).
    Err err;
    std::optional<Variant> resultado;
    err.attempt([&] {
        ensure_loaded();
        // 2. Settings.
        configurar_dialogo(kTituloSalvar, sExtensao);
        // 3. The Save As dialog; it confirms the overwrite of an existing file itself.
        oDialog.show_save();
        // 4. A confirmed existing file is deleted now; no file name: error exit.
        const std::string sArquivo = oDialog.file_name();
        if (sArquivo.empty())
            return;
        if (sys::file_exists(sArquivo))
            sys::delete_file(sArquivo);
        resultado.emplace(sArquivo);
    });
    if (resultado)
        return *resultado;
    // 5. Error exit.
    return saida_com_erro(err);
}

std::string frmKVRDialog::MensagemExtensaoProibida(const std::string& sExtensao) {
    return "Extensão de Arquivo \"." + sExtensao + "\" Não Permitido.";
}

} // namespace kvr
