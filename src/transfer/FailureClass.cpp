#include "transfer/FailureClass.h"

#include "platform/automation/ComError.h"
#include "platform/sys/InternetErrors.h"

namespace kvr {

namespace {
thread_local FailureClass t_last = FailureClass::None;
} // namespace

FailureClass last_failure_class() {
    return t_last;
}

void set_last_failure_class(FailureClass c) {
    t_last = c;
}

FailureClass failure_class_of(std::int32_t number) {
    switch (number) {
    case code::CannotConnect:
    case code::NameNotResolved:
        return FailureClass::Connect;
    case code::Timeout:
        return FailureClass::Timeout;
    case code::InvalidCa:
    case code::SecurityChannelError:
    case code::SecureFailure:
        return FailureClass::Tls;
    case code::OperationCancelled:
        return FailureClass::Cancelled;
    case rt::FileNotFound:
    case rt::BadFileMode:
    case rt::FileAlreadyOpen:
    case rt::DeviceIOError:
    case rt::FileAlreadyExists:
    case rt::DiskFull:
    case rt::BadFileName:
    case rt::PermissionDenied:
    case rt::PathFileAccessError:
    case rt::PathNotFound:
        return FailureClass::LocalFile;
    default:
        return FailureClass::Other;
    }
}

} // namespace kvr
