#include "platform/automation/Err.h"

#include <new>

namespace kvr {

bool Err::attempt(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (...) {
        m_error = to_com_error(std::current_exception());
        return false;
    }
}

ComError to_com_error(std::exception_ptr ep) {
    try {
        std::rethrow_exception(ep);
    } catch (const ComError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return ComError(rt::OutOfMemory, "KVRUpload", runtime_description(rt::OutOfMemory));
    } catch (const std::exception& e) {
        return ComError(rt::Internal, "KVRUpload", e.what());
    } catch (...) {
        return ComError(rt::Internal, "KVRUpload", runtime_description(rt::Internal));
    }
}

} // namespace kvr
