// The working methods of clsKVRUpload: the listing and the file operations. Each starts by
// refusing to work unconnected, and turns every failure into a "0" result.
#include "ftp/clsKVRUpload.h"

#include "dialogs/frmKVRDialog.h"
#include "ftp/GivenArgument.h"
#include "platform/automation/ComError.h"
#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"
#include "platform/sys/Files.h"
#include "platform/sys/LocalPath.h"
#include "platform/ui/DefaultInstance.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kvr {

namespace {

// The most names a list holds: one more raises Overflow.
constexpr std::size_t kMaxArquivos = std::numeric_limits<std::int16_t>::max() + std::size_t{1};

// "ASCII" (any case, or left out) is ftascii; any other text is ftBinary.
FileTransferType transfer_type(const Variant& TransferType) {
    if (TransferType.is_missing())
        return FileTransferType::ftascii;
    if (TransferType.is_null())
        return FileTransferType::ftBinary;
    return ucase(TransferType.to_string()) == "ASCII" ? FileTransferType::ftascii
                                                      : FileTransferType::ftBinary;
}

// The dialog option with its default: "NAO" when omitted, Null or blank.
std::string dialog_option(const Variant& sOptDialog) {
    if (sOptDialog.is_missing() || blank_or_null(sOptDialog))
        return "NAO";
    return sOptDialog.to_string();
}

bool is_false(const Variant& v) {
    return v.type() == VarType::Boolean && !v.to_bool();
}

// The result of a listing: "1" (in the list's first slot) and then the names, each split at its
// "|"s as splitting the joined list at every "|" gives them.
VariantArray result_list(VariantArray lista) {
    lista.front() = Variant("1");
    const auto has_bar = [](const Variant& name) {
        return name.as_string().find('|') != std::string::npos;
    };
    if (std::none_of(lista.begin() + 1, lista.end(), has_bar))
        return lista;
    VariantArray parts;
    parts.reserve(lista.size());
    parts.push_back(std::move(lista.front()));
    for (auto name = lista.begin() + 1; name != lista.end(); ++name)
        for (auto& piece : Split(name->as_string(), "|"))
            parts.emplace_back(std::move(piece));
    return parts;
}

ftpnet::TransferType wire_type(FileTransferType t) {
    return t == FileTransferType::ftascii ? ftpnet::TransferType::Ascii
                                          : ftpnet::TransferType::Binary;
}

} // namespace

void clsKVRUpload::AdicionarArquivo(std::string sArquivo) {
    // The list becomes nArquivos + 1 long, the new name last.
    const auto slots = static_cast<std::size_t>(nArquivos) + 1;
    if (aArquivos.size() != slots)
        aArquivos.resize(slots);
    aArquivos.emplace_back(std::move(sArquivo));
    if (nArquivos == std::numeric_limits<std::int16_t>::max())
        raise_runtime(rt::Overflow, "clsKVRUpload::AdicionarArquivo");
    ++nArquivos;
}

Variant clsKVRUpload::GetDirectoryList(const Variant& Directory, const Variant& FilterString) {
    if (!connected())
        return not_connected();
    std::unique_ptr<ftpnet::FtpFind> hFind;
    try {
        // 1. The directory asked for (the Directory property keeps its text).
        if (given(Directory))
            RemoteChDir(Directory.to_string());
        // 2. The filter.
        const std::string filter = given(FilterString) ? FilterString.to_string() : "*.*";
        // 3. The first name.
        std::string name;
        hFind = hConnect->find_first(filter, name);
        std::uint32_t lErro = ftpnet::last_error();
        // 4. Nothing at all.
        if (!hFind && lErro == code::NoMoreFiles)
            return retorno("0", "Diretório Vazio");
        if (hFind) {
            // 5. A fresh list with the first name.
            nArquivos = 0;
            aArquivos.reserve(std::min<std::size_t>(hFind->at_most_left() + 2, kMaxArquivos + 1));
            AdicionarArquivo(std::move(name));
            // 6. The rest.
            while (hFind->next(name))
                AdicionarArquivo(std::move(name));
            // 7. Why the loop ended; the find is done.
            lErro = ftpnet::last_error();
            hFind.reset();
            // 8. "1|name|name...", split at every "|"; the list itself becomes the result.
            if (lErro == code::NoMoreFiles) {
                aArquivos.resize(static_cast<std::size_t>(nArquivos) + 1);
                VariantArray lista = std::exchange(aArquivos, {});
                nArquivos = 0;
                return Variant(result_list(std::move(lista)));
            }
        }
        // 9. The find failed.
        return retorno("0", std::to_string(lErro) + " - Erro pesquisando o Diretório " +
                                text_as_passed(Directory) + "\\" + text_as_passed(FilterString));
    } catch (...) {
        // 10. Raised on the way: the find is closed, the error is the result.
        hFind.reset();
        return trapped(std::current_exception());
    }
}

Variant clsKVRUpload::GetFile(const Variant& ServerFileAndPath,
                              const Variant& DestinationFileAndPath, const Variant& TransferType,
                              const Variant& sOptDialog) {
    if (!connected())
        return not_connected();
    try {
        // 1. No remote name.
        if (ServerFileAndPath.is_missing() || blank_or_null(ServerFileAndPath))
            return retorno("0", "Arquivo do Servidor não Informado.");
        // 2. The dialog option.
        const std::string opt = dialog_option(sOptDialog);
        // 3. The paths (the local one made native).
        std::string local = local_argument(DestinationFileAndPath);
        const std::string remote = ServerFileAndPath.to_string();
        // 4. Neither a local path nor a dialog.
        if (local.empty() && ucase(opt) == "NAO")
            return retorno("0", "Arquivo Local ou Opção de Diálogo deve ser informado.");
        // 5. The Save dialog.
        if (ucase(opt) != "NAO") {
            vArquivoDialogo =
                ui::DefaultInstance<frmKVRDialog>::get().SalvarArquivo(Variant(lcase(opt)));
            ui::DefaultInstance<frmKVRDialog>::unload();
            if (is_false(vArquivoDialogo))
                return retorno("0", "GetFile Cancelado");
            local = vArquivoDialogo.to_string();
        }
        // 6. The local folder, one level made when missing.
        const std::string folder =
            Left(local, static_cast<long long>(InStrRev(local, sys::kSeparator)));
        if (!folder.empty() && !sys::folder_exists(folder))
            if (auto made = sys::make_folder(folder); !made)
                sys::raise_io_error(made.error(), "clsKVRUpload::GetFile");
        // 7. The transfer type.
        const FileTransferType type = transfer_type(TransferType);
        vTipoTransferencia = Variant(static_cast<std::int16_t>(type));
        // 8. The transfer.
        const bool ok = hConnect->get_file(remote, local, wire_type(type));
        // 9. Its result.
        if (!ok)
            return retorno("0", std::to_string(ftp_error(errGetFileError)) + " - " +
                                    fill_in("Não é possível um Download do Arquivo %s do Servidor.",
                                            ServerFileAndPath.to_string()));
        return retorno("1", local);
    } catch (...) {
        // 10. Raised on the way.
        return trapped(std::current_exception());
    }
}

Variant clsKVRUpload::PutFile(const Variant& LocalFileAndPath, const Variant& ServerFileAndPath,
                              const Variant& TransferType, const Variant& sOptDialog) {
    if (!connected())
        return not_connected();
    try {
        // 1. The dialog option.
        const std::string opt = dialog_option(sOptDialog);
        // 2. The paths (the local one made native).
        std::string local = local_argument(LocalFileAndPath);
        std::string remote = given(ServerFileAndPath) ? ServerFileAndPath.to_string() : "";
        // 3. A path missing and no dialog.
        if ((remote.empty() || local.empty()) && ucase(opt) == "NAO")
            return retorno("0",
                           "Arquivos Local e Servidor ou Opção de Diálogo deve ser informado.");
        // 4. The Open dialog; the chosen file keeps its name in the remote folder.
        if (ucase(opt) != "NAO") {
            vArquivoDialogo =
                ui::DefaultInstance<frmKVRDialog>::get().AbrirArquivo(Variant(lcase(opt)));
            ui::DefaultInstance<frmKVRDialog>::unload();
            if (is_false(vArquivoDialogo))
                return retorno("0", "PutFile Cancelado");
            local = vArquivoDialogo.to_string();
            remote = Left(remote, static_cast<long long>(InStrRev(remote, "\\"))) +
                     Mid(local, InStrRev(local, sys::kSeparator) + 1);
        }
        // 5. The transfer type.
        const FileTransferType type = transfer_type(TransferType);
        vTipoTransferencia = Variant(static_cast<std::int16_t>(type));
        // 6. The transfer.
        const bool ok = hConnect->put_file(local, remote, wire_type(type));
        // 7. Its result, with the server's reply when it gave one.
        if (!ok) {
            std::string message = fill_in("Não é possível um Upload do Arquivo %s para o Servidor.",
                                          text_as_passed(ServerFileAndPath));
            const std::uint32_t lErro = ftpnet::last_error();
            message = message + "\r\n" + ObterRespostaServidor(lErro);
            return retorno("0", std::to_string(ftp_error(errPutFileError)) + " - " + message);
        }
        return retorno("1", local);
    } catch (...) {
        // 8. Raised on the way.
        return trapped(std::current_exception());
    }
}

Variant clsKVRUpload::RenameFile(const Variant& ExistingName, const Variant& NewName) {
    if (!connected())
        return not_connected();
    try {
        // 1. Rename.
        const std::string existing = ExistingName.to_string();
        const bool ok = hConnect->rename_file(existing, NewName.to_string());
        // 2. Refused, with the server's reply when it gave one.
        if (!ok) {
            std::string message = fill_in("Não é possível Renomear o Arquivo %s.", existing);
            message = message + "\r\n" + ObterRespostaServidor(ftpnet::last_error());
            return retorno("0", std::to_string(ftp_error(errCannotRename)) + " - " + message);
        }
        // 3. Done.
        return retorno("1", "Rename Realizado com Sucesso");
    } catch (...) {
        // 4. Raised on the way.
        return trapped(std::current_exception());
    }
}

Variant clsKVRUpload::DeleteFile(const Variant& ExistingName) {
    if (!connected())
        return not_connected();
    try {
        // 1. Delete.
        const std::string name = ExistingName.to_string();
        // 2. Refused.
        if (!hConnect->delete_file(name))
            return retorno("0",
                           std::to_string(ftp_error(errCannotDelete)) + " - " +
                               fill_in("Não é possível Remover o Arquivo %s do Servidor.", name));
        // 3. Done.
        return retorno("1", "Delete Realizado com Sucesso");
    } catch (...) {
        // 4. Raised on the way.
        return trapped(std::current_exception());
    }
}

} // namespace kvr
