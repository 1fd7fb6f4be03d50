#include "param_bag.h"

#include <cwchar>

STDMETHODIMP CParamBag::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
        *object = static_cast<IPropertyBag*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CParamBag::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CParamBag::Release() {
    const LONG n = ::InterlockedDecrement(&m_refs);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

CParamBag::Entry* CParamBag::FindEntry(const std::wstring& name) {
    for (Entry& e : m_values)
        if (_wcsicmp(e.name.c_str(), name.c_str()) == 0) return &e;
    return nullptr;
}

const std::wstring* CParamBag::Find(const std::wstring& name) const {
    for (const Entry& e : m_values)
        if (_wcsicmp(e.name.c_str(), name.c_str()) == 0) return &e.value;
    return nullptr;
}

void CParamBag::Set(const std::wstring& name, const std::wstring& value) {
    if (Entry* e = FindEntry(name))
        e->value = value;
    else
        m_values.push_back({name, value});
}

STDMETHODIMP CParamBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    m_readOrder.push_back(name);
    const std::wstring* text = Find(name);
    if (!text) return E_INVALIDARG;
    const VARTYPE wanted = V_VT(value);
    VARIANT source;
    V_VT(&source) = VT_BSTR;
    V_BSTR(&source) = ::SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
    if (!V_BSTR(&source)) return E_OUTOFMEMORY;
    HRESULT hr = S_OK;
    if (wanted == VT_EMPTY || wanted == VT_BSTR) {
        *value = source;
        return S_OK;
    }
    ::VariantInit(value);
    hr = ::VariantChangeType(value, &source, 0, wanted);
    ::VariantClear(&source);
    return hr;
}

STDMETHODIMP CParamBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    VARIANT text;
    ::VariantInit(&text);
    const HRESULT hr = ::VariantChangeType(&text, value, 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    Set(name, std::wstring(V_BSTR(&text), ::SysStringLen(V_BSTR(&text))));
    ::VariantClear(&text);
    m_writeOrder.push_back(name);
    return S_OK;
}
