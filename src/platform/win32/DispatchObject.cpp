#include "platform/win32/DispatchObject.h"

#include "platform/automation/ComError.h"
#include "platform/automation/DispatchTable.h"
#include "platform/sys/WideText.h"
#include "platform/win32/ComModule.h"
#include "platform/win32/ComVariant.h"

namespace kvr::win32 {

namespace {

// Asked only by ourselves: answers with the DispatchObject, so that an object handed back to
// us (an argument) is recognised as one of the model's.
const GUID kModelObjectIid = {
    0xc5c3855b, 0xfd9d, 0x4af2, {0x92, 0x90, 0x7a, 0xfb, 0x13, 0xb1, 0x94, 0x08}};

// The runtime's small numbers travel as control-facility HRESULTs, which a script host
// turns back into the small number; full numbers (vbObjectError + n) travel as they are.
HRESULT scode_of(std::int32_t number) {
    if (number > 0 && number <= 0xFFFF)
        return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
    return static_cast<HRESULT>(number);
}

BSTR bstr_of(const std::string& text) {
    std::wstring wide = sys::widen(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

void set_error_info(const ComError& error, REFGUID iid) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create)))
        return;
    std::wstring source = sys::widen(error.source());
    std::wstring description = sys::widen(error.description());
    create->SetGUID(iid);
    create->SetSource(source.data());
    create->SetDescription(description.data());
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
}

HRESULT report(const ComError& error, EXCEPINFO* excepinfo, REFGUID iid) {
    set_error_info(error, iid);
    if (!excepinfo)
        return scode_of(error.number());
    *excepinfo = EXCEPINFO{};
    excepinfo->scode = scode_of(error.number());
    excepinfo->bstrSource = bstr_of(error.source());
    excepinfo->bstrDescription = bstr_of(error.description());
    return DISP_E_EXCEPTION;
}

} // namespace

DispatchObject::DispatchObject(std::shared_ptr<Object> object) : m_object(std::move(object)) {
    if (const DispatchTable* t = m_object->dispatch_table(); t && !t->iid.empty())
        parse_guid(t->iid, m_iid);
    add_server_ref();
}

DispatchObject::~DispatchObject() {
    release_server_ref();
}

IDispatch* DispatchObject::wrap(std::shared_ptr<Object> object) {
    return new DispatchObject(std::move(object));
}

std::shared_ptr<Object> DispatchObject::unwrap(IDispatch* dispatch) {
    DispatchObject* self = nullptr;
    if (!dispatch ||
        FAILED(dispatch->QueryInterface(kModelObjectIid, reinterpret_cast<void**>(&self))))
        return nullptr;
    auto object = self->m_object;
    self->Release();
    return object;
}

bool DispatchObject::own_interface(REFIID riid) const {
    return m_iid != GUID{} && IsEqualGUID(riid, m_iid);
}

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
        own_interface(riid) || IsEqualGUID(riid, kModelObjectIid))
        *ppv = static_cast<IDispatch*>(this);
    else if (IsEqualGUID(riid, IID_ISupportErrorInfo))
        *ppv = static_cast<ISupportErrorInfo*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE DispatchObject::AddRef() {
    return ++m_refs;
}

ULONG STDMETHODCALLTYPE DispatchObject::Release() {
    ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    ITypeInfo* info = type_info(m_iid);
    *count = info ? 1 : 0;
    if (info)
        info->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = index == 0 ? type_info(m_iid) : nullptr;
    return *info ? S_OK : DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                        DISPID* ids) {
    if (!names || !ids || count == 0)
        return E_POINTER;
    for (UINT i = 1; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    std::string name = sys::narrow(names[0], wcslen(names[0]));
    const DispatchTable* table = m_object->dispatch_table();
    const Member* m = table ? table->find(name) : nullptr;
    if (!m) {
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    ids[0] = m->dispid;
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags,
                                                 DISPPARAMS* params, VARIANT* result,
                                                 EXCEPINFO* excepinfo, UINT* arg_error) {
    const DispatchTable* table = m_object->dispatch_table();
    const Member* m = table ? table->find(static_cast<std::int32_t>(id)) : nullptr;
    if (!m)
        return DISP_E_MEMBERNOTFOUND;
    const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    UINT named = params ? params->cNamedArgs : 0;
    if (named > 1 || (named == 1 && (!put || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
        return DISP_E_NONAMEDARGS;
    VariantArray args;
    UINT count = params ? params->cArgs : 0;
    // DISPPARAMS hold the arguments last first.
    for (UINT i = count; i-- > 0;) {
        try {
            args.push_back(from_variant(params->rgvarg[i]));
        } catch (const ComError&) {
            if (arg_error)
                *arg_error = i;
            return DISP_E_TYPEMISMATCH;
        }
    }
    try {
        Variant value;
        if (put)
            value = m_object->invoke(m->dispid, InvokeKind::Put, std::move(args));
        else if (m->kind != MemberKind::Method && args.empty())
            value = m_object->invoke(m->dispid, InvokeKind::Get, {});
        else
            value = m_object->invoke(m->dispid, InvokeKind::Call, std::move(args));
        if (result && !put)
            to_variant(value, result);
        return S_OK;
    } catch (const ComError& e) {
        return report(e, excepinfo, m_iid);
    } catch (const std::bad_alloc&) {
        return report(
            ComError(rt::OutOfMemory, table->class_name, runtime_description(rt::OutOfMemory)),
            excepinfo, m_iid);
    } catch (const std::exception& e) {
        return report(ComError(rt::Internal, table->class_name, e.what()), excepinfo, m_iid);
    }
}

HRESULT STDMETHODCALLTYPE DispatchObject::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualGUID(riid, IID_IDispatch) || own_interface(riid) ? S_OK : S_FALSE;
}

} // namespace kvr::win32
