// The four in-process server exports, with C linkage. Registration writes the ProgIDs and
// class identifiers of the library's classes to a registry file: $KVRUPLOAD_REGISTRY, or
// $XDG_DATA_HOME/KVRUpload/registry (~/.local/share when XDG_DATA_HOME is unset).
#pragma once

#include <cstdint>

namespace kvr {
class Object;
// What DllGetClassObject hands out: a factory for one class identifier.
struct ClassFactory {
    const char* clsid;
    Object* (*create_instance)(const char* clsid); // new object with one reference held
    void (*release_instance)(Object*);
};
} // namespace kvr

extern "C" {
std::int32_t DllRegisterServer();
std::int32_t DllUnregisterServer();
std::int32_t DllGetClassObject(const char* clsid, const char* iid, void** ppv);
std::int32_t DllCanUnloadNow();
}
