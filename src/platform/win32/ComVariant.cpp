#include "platform/win32/ComVariant.h"

#include "platform/automation/ComError.h"
#include "platform/sys/WideText.h"
#include "platform/win32/DispatchObject.h"
#include "platform/win32/ForeignObject.h"

namespace kvr::win32 {

namespace {

std::string from_bstr(BSTR b) {
    return b ? sys::narrow(b, SysStringLen(b)) : std::string();
}

BSTR to_bstr(const std::string& text) {
    std::wstring wide = sys::widen(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

// One dimension, read from its own lower bound; the model's arrays always start at 0.
Variant from_safearray(SAFEARRAY* sa, VARTYPE element) {
    if (!sa)
        return Variant(VariantArray{});
    if (SafeArrayGetDim(sa) != 1)
        raise_runtime(rt::TypeMismatch);
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(sa, 1, &lo);
    SafeArrayGetUBound(sa, 1, &hi);
    if (element == VT_UI1) {
        ByteArray bytes;
        void* data = nullptr;
        if (hi >= lo && SUCCEEDED(SafeArrayAccessData(sa, &data))) {
            auto* p = static_cast<const std::uint8_t*>(data);
            bytes.assign(p, p + (hi - lo + 1));
            SafeArrayUnaccessData(sa);
        }
        return Variant(std::move(bytes));
    }
    if (element != VT_VARIANT)
        raise_runtime(rt::TypeMismatch);
    VariantArray items;
    for (LONG i = lo; i <= hi; ++i) {
        VARIANT item;
        VariantInit(&item);
        SafeArrayGetElement(sa, &i, &item);
        items.push_back(from_variant(item));
        VariantClear(&item);
    }
    return Variant(std::move(items));
}

SAFEARRAY* to_safearray(const VariantArray& items) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        VARIANT item;
        VariantInit(&item);
        to_variant(items[static_cast<std::size_t>(i)], &item);
        SafeArrayPutElement(sa, &i, &item);
        VariantClear(&item);
    }
    return sa;
}

SAFEARRAY* to_safearray(const ByteArray& bytes) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    if (!bytes.empty() && SUCCEEDED(SafeArrayAccessData(sa, &data))) {
        std::copy(bytes.begin(), bytes.end(), static_cast<std::uint8_t*>(data));
        SafeArrayUnaccessData(sa);
    }
    return sa;
}

// Numeric types the model has no name for arrive as Double (or Long when they fit).
Variant other_number(const VARIANT& v) {
    VARIANT d;
    VariantInit(&d);
    if (FAILED(VariantChangeType(&d, const_cast<VARIANT*>(&v), 0, VT_R8)))
        raise_runtime(rt::TypeMismatch);
    double value = d.dblVal;
    if (value == static_cast<double>(static_cast<std::int32_t>(value)))
        return Variant(static_cast<std::int32_t>(value));
    return Variant(value);
}

} // namespace

Variant from_variant(const VARIANT& v) {
    if (V_VT(&v) == (VT_BYREF | VT_VARIANT))
        return v.pvarVal ? from_variant(*v.pvarVal) : Variant();
    if (V_VT(&v) & VT_ARRAY) {
        SAFEARRAY* sa = (V_VT(&v) & VT_BYREF) ? (v.pparray ? *v.pparray : nullptr) : v.parray;
        return from_safearray(sa, static_cast<VARTYPE>(V_VT(&v) & VT_TYPEMASK));
    }
    if (V_VT(&v) & VT_BYREF) {
        VARIANT copy;
        VariantInit(&copy);
        if (FAILED(VariantCopyInd(&copy, const_cast<VARIANT*>(&v))))
            raise_runtime(rt::TypeMismatch);
        Variant out = from_variant(copy);
        VariantClear(&copy);
        return out;
    }
    switch (V_VT(&v)) {
    case VT_EMPTY:
        return Variant();
    case VT_NULL:
        return Variant::null();
    case VT_ERROR:
        if (v.scode == DISP_E_PARAMNOTFOUND)
            return Variant::missing();
        return Variant(static_cast<std::int32_t>(v.scode));
    case VT_BOOL:
        return Variant(v.boolVal != VARIANT_FALSE);
    case VT_I2:
        return Variant(static_cast<std::int16_t>(v.iVal));
    case VT_UI1:
        return Variant(static_cast<std::int16_t>(v.bVal));
    case VT_I4:
        return Variant(static_cast<std::int32_t>(v.lVal));
    case VT_R4:
        return Variant(v.fltVal);
    case VT_R8:
        return Variant(v.dblVal);
    case VT_DATE:
        return Variant(DateValue{v.date});
    case VT_BSTR:
        return Variant(from_bstr(v.bstrVal));
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        if (!v.punkVal)
            return Variant(std::shared_ptr<Object>());
        IDispatch* d = nullptr;
        if (FAILED(v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))))
            raise_runtime(rt::TypeMismatch);
        std::shared_ptr<Object> object = DispatchObject::unwrap(d);
        if (!object)
            object = std::make_shared<ForeignObject>(d);
        d->Release();
        return Variant(std::move(object));
    }
    default:
        return other_number(v);
    }
}

void to_variant(const Variant& value, VARIANT* out) {
    VariantInit(out);
    switch (value.type()) {
    case VarType::Empty:
        return;
    case VarType::Null:
        V_VT(out) = VT_NULL;
        return;
    case VarType::Missing:
        V_VT(out) = VT_ERROR;
        out->scode = DISP_E_PARAMNOTFOUND;
        return;
    case VarType::Boolean:
        V_VT(out) = VT_BOOL;
        out->boolVal = value.to_bool() ? VARIANT_TRUE : VARIANT_FALSE;
        return;
    case VarType::Integer:
        V_VT(out) = VT_I2;
        out->iVal = value.to_integer();
        return;
    case VarType::Long:
        V_VT(out) = VT_I4;
        out->lVal = value.to_long();
        return;
    case VarType::Single:
        V_VT(out) = VT_R4;
        out->fltVal = static_cast<float>(value.number());
        return;
    case VarType::Double:
        V_VT(out) = VT_R8;
        out->dblVal = value.number();
        return;
    case VarType::Date:
        V_VT(out) = VT_DATE;
        out->date = value.number();
        return;
    case VarType::String:
        V_VT(out) = VT_BSTR;
        out->bstrVal = to_bstr(value.as_string());
        return;
    case VarType::Object:
        V_VT(out) = VT_DISPATCH;
        out->pdispVal = nullptr;
        if (auto* foreign = dynamic_cast<ForeignObject*>(value.as_object().get())) {
            out->pdispVal = foreign->dispatch();
            out->pdispVal->AddRef();
        } else if (value.as_object()) {
            out->pdispVal = DispatchObject::wrap(value.as_object());
        }
        return;
    case VarType::Array:
        V_VT(out) = VT_ARRAY | VT_VARIANT;
        out->parray = to_safearray(value.as_array());
        return;
    case VarType::ByteArray:
        V_VT(out) = VT_ARRAY | VT_UI1;
        out->parray = to_safearray(value.as_bytes());
        return;
    }
}

} // namespace kvr::win32
