// The library's own identity, as its type library describes it.
#include <cstdint>

extern "C" {
// Type library "KVRUpload", version 5.1.
std::int32_t KVRUpload_TypeLibVersion() {
    return (5 << 16) | 1;
}
const char* KVRUpload_TypeLibId() {
    return "{520CA3F0-B102-487E-8F53-4CDF4A79AE68}";
}
}
