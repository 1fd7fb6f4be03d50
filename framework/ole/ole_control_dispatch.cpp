// COleControl: automation. Names and type information come from the
// registered type library; property calls go to the control's dispatch map.
#include "ole_control.h"

#include <cwchar>

#include "ole_text.h"

const DispatchEntry* DispatchMap::Find(DISPID dispid) const {
    for (size_t i = 0; i < count; ++i)
        if (entries[i].dispid == dispid) return &entries[i];
    return nullptr;
}

const DispatchEntry* DispatchMap::Find(const wchar_t* name) const {
    if (!name) return nullptr;
    for (size_t i = 0; i < count; ++i)
        if (_wcsicmp(entries[i].name, name) == 0) return &entries[i];
    return nullptr;
}

HRESULT DispatchReturnText(VARIANT* result, const std::string& utf8Text) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = BstrFromUtf8(utf8Text);
    if (!V_BSTR(result)) {
        V_VT(result) = VT_EMPTY;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

std::string DispatchTextOf(const VARIANT& value) {
    return V_VT(&value) == VT_BSTR ? Utf8FromBstr(V_BSTR(&value)) : std::string();
}

STDMETHODIMP COleControl::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP COleControl::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    HRESULT hr = E_FAIL;
    *typeInfo = LoadTypeInfo(m_dispatchIid, lcid, &hr);
    return *typeInfo ? S_OK : hr;
}

STDMETHODIMP COleControl::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !dispids) return E_POINTER;
    if (count == 0) return S_OK;
    if (ITypeInfo* typeInfo = LoadTypeInfo(m_dispatchIid, lcid, nullptr)) {
        const HRESULT hr = typeInfo->GetIDsOfNames(names, count, dispids);
        typeInfo->Release();
        return hr;
    }
    // Without a registered type library (a control made straight from its
    // factory) the dispatch map still knows the names.
    const DispatchEntry* entry = GetDispatchMap().Find(names[0]);
    dispids[0] = entry ? entry->dispid : DISPID_UNKNOWN;
    for (UINT i = 1; i < count; ++i) dispids[i] = DISPID_UNKNOWN;  // properties take no named arguments
    return entry && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

STDMETHODIMP COleControl::Invoke(DISPID dispid, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO*, UINT* argError) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    // Converting the value can run the page's script (an object's value), a
    // setter may send a message that lets the page run: either may drop the
    // control, which stays alive until this call returns.
    CallHold hold(this);
    // On a page the control does not serve, every property refuses.
    if (!PageServed()) return E_ACCESSDENIED;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    const DispatchEntry* entry = GetDispatchMap().Find(dispid);
    if (!entry) return DISP_E_MEMBERNOTFOUND;

    if (flags & DISPATCH_PROPERTYPUT) {
        if (params->cArgs != 1 || !params->rgvarg) return DISP_E_BADPARAMCOUNT;
        if (params->cNamedArgs > 1 ||
            (params->cNamedArgs == 1 && (!params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
            return DISP_E_PARAMNOTFOUND;
        VARIANT value;
        ::VariantInit(&value);
        HRESULT hr = ::VariantChangeType(&value, &params->rgvarg[0], 0, entry->type);
        if (FAILED(hr)) {
            if (argError) *argError = 0;
            return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
        }
        if (V_VT(&value) == VT_BSTR && ::SysStringLen(V_BSTR(&value)) > kMaxPropertyText) {
            ::VariantClear(&value);
            if (argError) *argError = 0;
            return DISP_E_OVERFLOW;
        }
        hr = entry->put(this, value);
        ::VariantClear(&value);
        return hr;
    }
    if (flags & DISPATCH_PROPERTYGET) {
        if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        VARIANT value;
        ::VariantInit(&value);
        const HRESULT hr = entry->get(this, &value);
        if (SUCCEEDED(hr) && result)
            *result = value;
        else
            ::VariantClear(&value);
        return hr;
    }
    // Properties only: there are no methods to call, nor object references to put.
    return DISP_E_MEMBERNOTFOUND;
}
