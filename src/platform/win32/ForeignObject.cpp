#include "platform/win32/ForeignObject.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/sys/WideText.h"
#include "platform/win32/ComModule.h"
#include "platform/win32/ComVariant.h"

#include <mutex>

namespace kvr::win32 {

namespace {

std::string text_of(BSTR b) {
    return b ? sys::narrow(b, SysStringLen(b)) : std::string();
}

// The small runtime numbers come back from their control-facility HRESULTs.
std::int32_t number_of(const EXCEPINFO& e) {
    if (e.wCode != 0)
        return e.wCode;
    if (HRESULT_FACILITY(e.scode) == FACILITY_CONTROL)
        return HRESULT_CODE(e.scode);
    return static_cast<std::int32_t>(e.scode);
}

} // namespace

ForeignObject::ForeignObject(IDispatch* dispatch) : m_dispatch(dispatch) {
    m_dispatch->AddRef();
}

ForeignObject::~ForeignObject() {
    m_dispatch->Release();
}

std::string ForeignObject::type_name() const {
    ITypeInfo* info = nullptr;
    std::string name = "Object";
    if (SUCCEEDED(m_dispatch->GetTypeInfo(0, 0, &info)) && info) {
        BSTR b = nullptr;
        if (SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &b, nullptr, nullptr, nullptr)))
            name = text_of(b);
        SysFreeString(b);
        info->Release();
    }
    return name;
}

Variant ForeignObject::invoke(std::string_view name, WORD flags, const VariantArray& args) {
    std::wstring wide = sys::widen(std::string(name));
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        raise_runtime(rt::MethodNotSupported, type_name());
    std::vector<VARIANT> slots(args.size());
    // DISPPARAMS hold the arguments last first.
    for (std::size_t i = 0; i < args.size(); ++i)
        to_variant(args[i], &slots[args.size() - 1 - i]);
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params{slots.data(), nullptr, static_cast<UINT>(slots.size()), 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put_id;
        params.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO error{};
    HRESULT hr = m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result,
                                    &error, nullptr);
    for (VARIANT& v : slots)
        VariantClear(&v);
    if (hr == DISP_E_EXCEPTION) {
        if (error.pfnDeferredFillIn)
            error.pfnDeferredFillIn(&error);
        ComError e(number_of(error), text_of(error.bstrSource), text_of(error.bstrDescription));
        SysFreeString(error.bstrSource);
        SysFreeString(error.bstrDescription);
        SysFreeString(error.bstrHelpFile);
        throw e;
    }
    if (FAILED(hr))
        raise_runtime(hr == DISP_E_MEMBERNOTFOUND ? rt::MethodNotSupported : rt::Unexpected,
                      type_name());
    Variant value = from_variant(result);
    VariantClear(&result);
    return value;
}

Variant ForeignObject::get(std::string_view name) {
    return invoke(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {});
}

void ForeignObject::put(std::string_view name, const Variant& value) {
    invoke(name, DISPATCH_PROPERTYPUT, {value});
}

Variant ForeignObject::call(std::string_view name, VariantArray args) {
    return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

std::shared_ptr<Object> create_through_com(const std::string& progid) {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(sys::widen(progid).c_str(), &clsid)))
        return nullptr;
    for (const ClassInfo& c : ClassRegistry::instance().all()) {
        GUID ours{};
        if (c.library_class && parse_guid(c.clsid, ours) && IsEqualGUID(ours, clsid))
            return nullptr;
    }
    IDispatch* dispatch = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch,
                                reinterpret_cast<void**>(&dispatch))))
        return nullptr;
    auto object = std::make_shared<ForeignObject>(dispatch);
    dispatch->Release();
    return object;
}

} // namespace kvr::win32

namespace kvr::win32 {

void prefer_registered_components() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (ClassInfo c : ClassRegistry::instance().all()) {
            if (c.library_class)
                continue;
            auto fallback = c.factory;
            c.factory = [progid = c.progid, fallback] {
                auto object = create_through_com(progid);
                return object ? object : fallback ? fallback() : nullptr;
            };
            ClassRegistry::instance().add(std::move(c));
        }
    });
}

} // namespace kvr::win32
