#include "platform/automation/ComError.h"

#include <cerrno>

namespace kvr {

ComError::ComError(std::int32_t number, std::string source, std::string description)
    : std::runtime_error(std::to_string(number) + " - " + description), m_number(number),
      m_source(std::move(source)), m_description(std::move(description)) {}

std::string ComError::numbered_text() const {
    return std::to_string(m_number) + " - " + m_description;
}

std::string runtime_description(std::int32_t number) {
    switch (number) {
    case rt::InvalidProcedureCall:
        return "Invalid procedure call or argument";
    case rt::Overflow:
        return "Overflow";
    case rt::OutOfMemory:
        return "Out of memory";
    case rt::SubscriptOutOfRange:
        return "Subscript out of range";
    case rt::TypeMismatch:
        return "Type mismatch";
    case rt::FileNotFound:
        return "File not found";
    case rt::BadFileMode:
        return "Bad file mode";
    case rt::FileAlreadyOpen:
        return "File already open";
    case rt::DeviceIOError:
        return "Device I/O error";
    case rt::FileAlreadyExists:
        return "File already exists";
    case rt::DiskFull:
        return "Disk full";
    case rt::BadFileName:
        return "Bad file name";
    case rt::PermissionDenied:
        return "Permission denied";
    case rt::PathFileAccessError:
        return "Path/File access error";
    case rt::PathNotFound:
        return "Path not found";
    case rt::InvalidUseOfNull:
        return "Invalid use of Null";
    case rt::ObjectRequired:
        return "Object required";
    case rt::CannotCreateObject:
        return "ActiveX component can't create object";
    case rt::MethodNotSupported:
        return "Object doesn't support this property or method";
    case rt::Internal:
        return "Internal error";
    case rt::CancelError:
        return "Cancel was selected.";
    default:
        return "Application-defined or object-defined error";
    }
}

void raise_runtime(std::int32_t number, const std::string& source) {
    throw ComError(number, source, runtime_description(number));
}

std::int32_t runtime_error_from_errno(int err) {
    switch (err) {
    case ENOENT:
        return rt::PathNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return rt::BadFileName;
    case EACCES:
    case EPERM:
    case EROFS:
        return rt::PermissionDenied;
    case EEXIST:
        return rt::FileAlreadyExists;
    case EISDIR:
    case EBUSY:
    case ENODEV:
        return rt::PathFileAccessError;
    case ENOSPC:
#ifdef EDQUOT // not in the Windows runtime's set
    case EDQUOT:
#endif
    case EFBIG:
        return rt::DiskFull;
    case ENOMEM:
        return rt::OutOfMemory;
    default:
        return rt::DeviceIOError;
    }
}

} // namespace kvr
