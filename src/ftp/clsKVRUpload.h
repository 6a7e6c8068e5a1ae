// clsKVRUpload: the library's creatable FTP client. One object owns one session and at most
// one connection; every method hands back a result array ("1"/"0", message) and never
// raises, while property puts and the private directory change raise their errors.
#pragma once

#include "platform/automation/ComError.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/FtpSession.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kvr {

class DispatchTable;

// The enumerations the class publishes beside its dispatch table (type-library order).
struct EnumConstant {
    const char* name;
    std::int32_t value;
};

enum class FileTransferType : std::int16_t { ftascii = 1, ftBinary = 2 };
inline constexpr EnumConstant kFileTransferType[] = {{"ftascii", 1}, {"ftBinary", 2}};

// The error numbers n; the library raises and reports them as kObjectError + n.
enum errFtpErrors : std::int32_t {
    errCannotConnect = 2001,
    errNoDirChange = 2002,
    errCannotRename = 2003,
    errCannotDelete = 2004,
    errNotConnectedToSite = 2005,
    errGetFileError = 2006,
    errPutFileError = 2007,
    errInvalidProperty = 2008,
    errFatal = 2009,
};
inline constexpr EnumConstant kErrFtpErrors[] = {
    {"errCannotConnect", errCannotConnect},
    {"errNoDirChange", errNoDirChange},
    {"errCannotRename", errCannotRename},
    {"errCannotDelete", errCannotDelete},
    {"errNotConnectedToSite", errNotConnectedToSite},
    {"errGetFileError", errGetFileError},
    {"errPutFileError", errPutFileError},
    {"errInvalidProperty", errInvalidProperty},
    {"errFatal", errFatal},
};

// The full error value of n, as raised and as written in result texts.
constexpr std::int32_t ftp_error(errFtpErrors n) {
    return kObjectError + n;
}

class clsKVRUpload : public Object {
  public:
    static constexpr const char* kProgId = "KVRUpload.clsKVRUpload";

    clsKVRUpload();           // Class_Initialise: raises errFatal when no session opens
    ~clsKVRUpload() override; // Class_Terminate: connection first, then the session

    const DispatchTable* dispatch_table() const override;

    Variant Host_Get() const;
    void Host_Let(const Variant& sHostName);
    Variant User_Get() const;
    void User_Let(const Variant& sUserName);
    Variant Password_Get() const;
    void Password_Let(const Variant& sPassword);
    Variant Directory_Get() const;
    void Directory_Let(const Variant& sDirectory);
    Variant Connected_Get() const;

    Variant Connect(const Variant& Host, const Variant& User, const Variant& Password,
                    const Variant& Directory);
    Variant Disconnect();
    Variant GetDirectoryList(const Variant& Directory, const Variant& FilterString);
    Variant GetFile(const Variant& ServerFileAndPath, const Variant& DestinationFileAndPath,
                    const Variant& TransferType, const Variant& sOptDialog);
    Variant PutFile(const Variant& LocalFileAndPath, const Variant& ServerFileAndPath,
                    const Variant& TransferType, const Variant& sOptDialog);
    Variant RenameFile(const Variant& ExistingName, const Variant& NewName);
    Variant DeleteFile(const Variant& ExistingName);

    // The number of the last error the calling thread's calls turned into a "0" result since
    // it was cleared (0: none): how a host tells a local file that could not be made from the
    // server's refusal without reading the message.
    static std::int32_t last_trapped_error();
    static void clear_last_trapped_error();

  private:
    void AdicionarArquivo(std::string sArquivo);
    void RemoteChDir(std::string sDir);
    std::string ObterRespostaServidor(std::uint32_t lErro);

    // A connection whose control link was given up (a stop the host asked for, a server that
    // went silent or away) can carry no further command: the object is no longer connected.
    bool connected() const {
        return hConnect != nullptr && hConnect->state() != ftpnet::SessionState::Closed;
    }
    Variant retorno(const char* status, std::string message);
    Variant not_connected();
    Variant trapped(const std::exception_ptr& error);

    std::unique_ptr<ftpnet::FtpSession> hInternet;
    std::unique_ptr<ftpnet::FtpConnection> hConnect;
    std::optional<std::string> sHost; // nothing = the never-set null string
    std::optional<std::string> sUser;
    std::optional<std::string> sPassword;
    std::string sDirectory;
    // The names found, after one slot kept for the result's "1": the list becomes the result
    // without moving its names.
    VariantArray aArquivos;
    VariantArray aRetorno = VariantArray(2);
    std::int16_t nArquivos = 0;
    Variant vArquivoDialogo;
    Variant vTipoTransferencia;
};

} // namespace kvr
