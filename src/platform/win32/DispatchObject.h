// One object of the model as a COM object: IDispatch over its class's dispatch table (same
// dispatch identifiers, names case-insensitive, declared defaults for omitted arguments),
// with errors handed back as DISP_E_EXCEPTION and the thread's error information.
#pragma once

#include "platform/automation/Object.h"

#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace kvr::win32 {

class DispatchObject final : public IDispatch, public ISupportErrorInfo {
  public:
    // A new COM object holding `object`, with one reference for the caller.
    static IDispatch* wrap(std::shared_ptr<Object> object);
    // The model object behind a COM object of ours; nullptr for a foreign one.
    static std::shared_ptr<Object> unwrap(IDispatch* dispatch);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepinfo,
                                     UINT* arg_error) override;
    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

  private:
    explicit DispatchObject(std::shared_ptr<Object> object);
    ~DispatchObject();
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    bool own_interface(REFIID riid) const;

    std::atomic<ULONG> m_refs{1};
    std::shared_ptr<Object> m_object;
    GUID m_iid{};
};

} // namespace kvr::win32
