// Creation, destruction, the connection properties, Connect, Disconnect and the two private
// routines every operation leans on. The file operations are in clsKVRUploadFiles.cpp.
#include "ftp/clsKVRUpload.h"

#include "ftp/GivenArgument.h"

#include "platform/automation/ComError.h"
#include "platform/automation/Err.h"
#include "platform/ftp/FtpErrors.h"
#include "platform/ftp/FtpThreadStatus.h"

#include <algorithm>
#include <limits>

namespace kvr {

namespace {
const char* const kAgent = "clsKVRUpload Instance";
thread_local std::int32_t t_last_trapped = 0;
} // namespace

std::int32_t clsKVRUpload::last_trapped_error() {
    return t_last_trapped;
}

void clsKVRUpload::clear_last_trapped_error() {
    t_last_trapped = 0;
}

clsKVRUpload::clsKVRUpload() {
    // 1. Open the session.
    hInternet = ftpnet::FtpSession::open(kAgent);
    // 2. No session: no object.
    if (!hInternet) {
        hConnect.reset();
        throw ComError(ftp_error(errFatal), "clsKVRUpload::Class_Initialise",
                       "Não é possível estabelecer uma conexão com o WinInet.dll.");
    }
    // 3. Not connected; every text starts as the null string (the members' initial values).
    hConnect.reset();
}

clsKVRUpload::~clsKVRUpload() {
    hConnect.reset();
    hInternet.reset();
}

Variant clsKVRUpload::retorno(const char* status, std::string message) {
    aRetorno = VariantArray{Variant(status), Variant(std::move(message))};
    return Variant(aRetorno);
}

Variant clsKVRUpload::not_connected() {
    return retorno("0", std::to_string(ftp_error(errNotConnectedToSite)) +
                            " - Não conectado ao Site FTP.");
}

Variant clsKVRUpload::trapped(const std::exception_ptr& error) {
    const ComError e = to_com_error(error);
    t_last_trapped = e.number();
    return retorno("0", e.numbered_text());
}

// --- Properties ---

Variant clsKVRUpload::Host_Get() const {
    return Variant(sHost.value_or(""));
}
Variant clsKVRUpload::User_Get() const {
    return Variant(sUser.value_or(""));
}
Variant clsKVRUpload::Password_Get() const {
    return Variant(sPassword.value_or(""));
}
Variant clsKVRUpload::Directory_Get() const {
    return Variant(sDirectory);
}
Variant clsKVRUpload::Connected_Get() const {
    return Variant(connected());
}

namespace {
const char* const kInvalidProperty =
    "Você não pode alterar esta propriedade enquanto conectado a um Servidor FTP.";
}

void clsKVRUpload::Host_Let(const Variant& sHostName) {
    if (connected())
        throw ComError(ftp_error(errInvalidProperty), "clsKVRUpload:Host_Let", kInvalidProperty);
    sHost = sHostName.to_string();
}

void clsKVRUpload::User_Let(const Variant& sUserName) {
    if (connected())
        throw ComError(ftp_error(errInvalidProperty), "clsKVRUpload::User_Let", kInvalidProperty);
    sUser = sUserName.to_string();
}

void clsKVRUpload::Password_Let(const Variant& sPasswordValue) {
    if (connected())
        throw ComError(ftp_error(errInvalidProperty), "clsKVRUpload::Password_Let",
                       kInvalidProperty);
    sPassword = sPasswordValue.to_string();
}

void clsKVRUpload::Directory_Let(const Variant& sDirectoryValue) {
    if (!connected())
        throw ComError(ftp_error(errNotConnectedToSite), "clsKVRUpload::Directory_Let",
                       "Não conectado ao Site FTP.");
    const std::string text = sDirectoryValue.to_string();
    try {
        RemoteChDir(text);
    } catch (const ComError& e) {
        throw ComError(ftp_error(errNoDirChange), "clsKVRUpload::Directory[Let]", e.description());
    }
    sDirectory = text;
}

// --- Connect / Disconnect ---

Variant clsKVRUpload::Connect(const Variant& Host, const Variant& User, const Variant& Password,
                              const Variant& Directory) {
    try {
        // 1. Already connected.
        if (connected())
            return retorno("0", std::to_string(ftp_error(errInvalidProperty)) +
                                    " - Você já está conectado a um Servidor FTP " +
                                    sHost.value_or(""));
        // 2. Given arguments replace the stored texts.
        if (given(Host))
            sHost = Host.to_string();
        if (given(User))
            sUser = User.to_string();
        if (given(Password))
            sPassword = Password.to_string();
        // 3. No host.
        if (sHost.value_or("").empty())
            return retorno("0", std::to_string(ftp_error(errInvalidProperty)) +
                                    " - Nenhum Endereço de Host especificado.");
        // 4. Connect and log in.
        hConnect = ftpnet::FtpConnection::connect(*hInternet, *sHost, sUser, sPassword);
        // 5. Refused or unreachable.
        if (!hConnect) {
            std::string message = fill_in("Não é possível estabelecer uma conexão com %s usando "
                                          "os parâmetros User e Password fornecidos.",
                                          *sHost);
            const std::uint32_t lErro = ftpnet::last_error();
            message = message + "\r\n" + ObterRespostaServidor(lErro);
            return retorno("0", std::to_string(ftp_error(errCannotConnect)) + " - " + message);
        }
        // 6. The directory asked for.
        if (given(Directory)) {
            const std::string text = Directory.to_string();
            RemoteChDir(text);
            sDirectory = text;
        }
        // 7. Connected.
        return retorno("1", "Conexão Bem-Sucedida");
    } catch (...) {
        // 8. Whatever was raised on the way.
        return trapped(std::current_exception());
    }
}

Variant clsKVRUpload::Disconnect() {
    if (!connected())
        return not_connected();
    hConnect.reset();
    sHost = "";
    sUser = "";
    sPassword = "";
    sDirectory = "";
    return retorno("1", "Desconexão Bem-Sucedida");
}

// --- Private routines ---

void clsKVRUpload::RemoteChDir(std::string sDir) {
    try {
        // 1. Slashes for the server.
        std::replace(sDir.begin(), sDir.end(), '\\', '/');
        // 2. Not connected.
        if (!connected())
            throw ComError(ftp_error(errNotConnectedToSite), "clsKVRUpload::RemoteChDir",
                           "Não conectado ao Site FTP.");
        // 3. Nothing to change to.
        if (sDir.empty())
            return;
        // 4. Change the server's current directory.
        if (!hConnect->set_current_directory(sDir))
            throw ComError(ftp_error(errNoDirChange), "clsKVRUpload::ChangeDirectory",
                           fill_in("Diretório não pode ser alterado para %s. Ele não existe ou "
                                   "está protegido.",
                                   sDir));
    } catch (const ComError& e) {
        if (e.number() == ftp_error(errNotConnectedToSite) ||
            e.number() == ftp_error(errNoDirChange))
            throw;
        // 5. Anything else, under this routine's name.
        throw ComError(e.number(), "clsKVRUpload::RemoteChDir", e.description());
    }
}

std::string clsKVRUpload::ObterRespostaServidor(std::uint32_t lErro) {
    // 1. Only an extended error carries a reply.
    if (lErro != code::ExtendedError)
        return "";
    // 2. The length the reply needs.
    std::uint32_t ignored = 0;
    std::size_t length = 0;
    ftpnet::get_last_response_info(&ignored, nullptr, &length);
    // 3. A buffer of length + 1 NUL characters.
    if (length >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        raise_runtime(rt::Overflow, "clsKVRUpload::ObterRespostaServidor");
    std::string buffer(length + 1, '\0');
    // 4. The reply itself.
    ftpnet::get_last_response_info(&ignored, buffer.data(), &length);
    // 5. The whole buffer, unfilled NULs included.
    return "\r\n" + buffer;
}

} // namespace kvr
