#include "platform/win32/ClassFactory.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/win32/ComModule.h"
#include "platform/win32/DispatchObject.h"

namespace kvr::win32 {

ClassFactory::ClassFactory(std::string clsid) : m_clsid(std::move(clsid)) {
    add_server_ref();
}

ClassFactory::~ClassFactory() {
    release_server_ref();
}

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() {
    return ++m_refs;
}

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
    ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    auto info = ClassRegistry::instance().find_clsid(m_clsid);
    if (!info)
        return CLASS_E_CLASSNOTAVAILABLE;
    std::shared_ptr<Object> object;
    try {
        object = info->factory();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    if (!object)
        return E_FAIL;
    IDispatch* dispatch = DispatchObject::wrap(std::move(object));
    HRESULT hr = dispatch->QueryInterface(riid, ppv);
    dispatch->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
    if (lock)
        add_server_ref();
    else
        release_server_ref();
    return S_OK;
}

} // namespace kvr::win32
