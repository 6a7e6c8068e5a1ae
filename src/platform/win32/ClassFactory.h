// The class factory DllGetClassObject hands out for one registered class: it creates the
// model object through the class registry and gives it to COM as a DispatchObject.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <atomic>
#include <string>

namespace kvr::win32 {

class ClassFactory final : public IClassFactory {
  public:
    explicit ClassFactory(std::string clsid);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  private:
    ~ClassFactory();
    std::atomic<ULONG> m_refs{1};
    std::string m_clsid;
};

} // namespace kvr::win32
