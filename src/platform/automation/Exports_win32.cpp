// The four in-process server exports on Windows: registration writes each library class's
// ProgID and class identifier (and the embedded type library) to the system registry.
#include "platform/automation/ClassRegistry.h"
#include "platform/sys/WideText.h"
#include "platform/win32/ClassFactory.h"
#include "platform/win32/ComModule.h"
#include "platform/win32/ForeignObject.h"

#include <oleauto.h>
#include <olectl.h>
#include <windows.h>

namespace {

using kvr::sys::widen;

bool set_value(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

bool register_class(const kvr::ClassInfo& c, const std::wstring& dll) {
    const std::wstring progid = widen(c.progid);
    const std::wstring clsid = widen(c.clsid);
    const std::wstring key = L"CLSID\\" + clsid;
    return set_value(HKEY_CLASSES_ROOT, progid, nullptr, progid) &&
           set_value(HKEY_CLASSES_ROOT, progid + L"\\CLSID", nullptr, clsid) &&
           set_value(HKEY_CLASSES_ROOT, key, nullptr, progid) &&
           set_value(HKEY_CLASSES_ROOT, key + L"\\ProgID", nullptr, progid) &&
           set_value(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, dll) &&
           set_value(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
}

void unregister_class(const kvr::ClassInfo& c) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, widen(c.progid).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + widen(c.clsid)).c_str());
}

} // namespace

extern "C" {

HRESULT __stdcall DllRegisterServer() {
    const std::wstring dll = kvr::win32::module_path();
    for (const auto& c : kvr::ClassRegistry::instance().all())
        if (c.library_class && !register_class(c, dll))
            return SELFREG_E_CLASS;
    if (ITypeLib* lib = kvr::win32::type_library()) {
        if (FAILED(RegisterTypeLib(lib, const_cast<wchar_t*>(dll.c_str()), nullptr)))
            return SELFREG_E_TYPELIB;
    }
    return S_OK;
}

HRESULT __stdcall DllUnregisterServer() {
    for (const auto& c : kvr::ClassRegistry::instance().all())
        if (c.library_class)
            unregister_class(c);
    if (ITypeLib* lib = kvr::win32::type_library()) {
        TLIBATTR* attr = nullptr;
        if (SUCCEEDED(lib->GetLibAttr(&attr))) {
            UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                              attr->syskind);
            lib->ReleaseTLibAttr(attr);
        }
    }
    return S_OK;
}

HRESULT __stdcall DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    kvr::win32::prefer_registered_components();
    for (const auto& c : kvr::ClassRegistry::instance().all()) {
        GUID guid{};
        if (!kvr::win32::parse_guid(c.clsid, guid) || !IsEqualGUID(guid, rclsid))
            continue;
        auto* factory = new kvr::win32::ClassFactory(c.clsid);
        HRESULT hr = factory->QueryInterface(riid, ppv);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT __stdcall DllCanUnloadNow() {
    return kvr::win32::server_refs() == 0 && kvr::Object::live_count() == 0 ? S_OK : S_FALSE;
}
}
