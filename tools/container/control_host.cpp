#include "control_host.h"

CControlHost::CControlHost() : m_params(new CParamBag()) {}

CControlHost::~CControlHost() {
    Close();
    m_params->Release();
}

HRESULT CControlHost::CreateByProgId(const std::wstring& progId) {
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(progId.c_str(), &clsid);
    if (FAILED(hr)) hr = ::CLSIDFromString(progId.c_str(), &clsid);  // a {CLSID} works as well
    if (FAILED(hr)) return hr;
    IUnknown* control = nullptr;
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&control));
    if (FAILED(hr)) return hr;
    hr = Attach(control);
    control->Release();
    return hr;
}

HRESULT CControlHost::CreateFromFactory(IClassFactory* factory) {
    if (!factory) return E_POINTER;
    IUnknown* control = nullptr;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&control));
    if (FAILED(hr)) return hr;
    hr = Attach(control);
    control->Release();
    return hr;
}

HRESULT CControlHost::Attach(IUnknown* control) {
    if (!control) return E_POINTER;
    if (m_control) return E_UNEXPECTED;
    HRESULT hr = control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&m_oleObject));
    if (FAILED(hr)) return hr;
    control->AddRef();
    m_control = control;
    control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_dispatch));
    m_oleObject->GetMiscStatus(DVASPECT_CONTENT, &m_miscStatus);
    return S_OK;
}

HRESULT CControlHost::Load(HWND window, const RECT& position) {
    if (!m_oleObject) return E_UNEXPECTED;
    if (m_loaded) return S_OK;
    if (!m_site) {
        m_site = new CControlSite(window, position);
        m_site->SetPageAddress(m_pageAddress);
    }
    if (m_miscStatus & OLEMISC_SETCLIENTSITEFIRST) {
        HRESULT hr = m_oleObject->SetClientSite(m_site);
        if (FAILED(hr)) return hr;
        m_siteSet = true;
    }
    HRESULT hr = E_NOINTERFACE;
    IPersistPropertyBag* bag = nullptr;
    IPersistStreamInit* stream = nullptr;
    if (!m_params->Empty() &&
        SUCCEEDED(m_control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bag)))) {
        hr = bag->Load(m_params, nullptr);
        bag->Release();
    } else if (SUCCEEDED(m_control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&stream)))) {
        hr = stream->InitNew();
        stream->Release();
    } else if (SUCCEEDED(m_control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bag)))) {
        hr = bag->InitNew();
        bag->Release();
    }
    if (FAILED(hr)) return hr;
    if (!m_siteSet) {
        hr = m_oleObject->SetClientSite(m_site);
        if (FAILED(hr)) return hr;
        m_siteSet = true;
    }
    m_loaded = true;
    return S_OK;
}

HRESULT CControlHost::Activate() {
    if (!m_loaded) return E_UNEXPECTED;
    HWND window = nullptr;
    m_site->GetWindow(&window);
    const RECT position = m_site->Position();
    // The page shows the control, and an activate-when-visible control comes alive.
    const LONG verb = (m_miscStatus & OLEMISC_ACTIVATEWHENVISIBLE) ? OLEIVERB_INPLACEACTIVATE : OLEIVERB_SHOW;
    return m_oleObject->DoVerb(verb, nullptr, m_site, 0, window, &position);
}

HRESULT CControlHost::SetPosition(const RECT& position) {
    if (!m_site) return E_UNEXPECTED;
    m_site->SetPosition(position);
    IOleInPlaceObject* inPlace = nullptr;
    HRESULT hr = m_control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace));
    if (FAILED(hr)) return hr;
    hr = inPlace->SetObjectRects(&position, &position);
    inPlace->Release();
    return hr;
}

HRESULT CControlHost::GetDispatchId(const std::wstring& name, DISPID* dispid) {
    if (!m_dispatch) return E_NOINTERFACE;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name.c_str())};
    return m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, dispid);
}

HRESULT CControlHost::SetProperty(const std::wstring& name, const VARIANT& value) {
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = GetDispatchId(name, &dispid);
    if (FAILED(hr)) return hr;
    VARIANT argument = value;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&argument, &putId, 1, 1};
    UINT argError = 0;
    return m_dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                              nullptr, &argError);
}

HRESULT CControlHost::GetProperty(const std::wstring& name, VARIANT* value) {
    if (!value) return E_POINTER;
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = GetDispatchId(name, &dispid);
    if (FAILED(hr)) return hr;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ::VariantClear(value);
    // Script engines ask for a property read as a get that may also be a call.
    return m_dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none,
                              value, nullptr, nullptr);
}

HWND CControlHost::ControlWindow() const {
    if (!m_control) return nullptr;
    IOleInPlaceObject* inPlace = nullptr;
    if (FAILED(m_control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) return nullptr;
    HWND window = nullptr;
    if (FAILED(inPlace->GetWindow(&window))) window = nullptr;
    inPlace->Release();
    return window;
}

void CControlHost::Close() {
    if (m_oleObject) {
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(m_control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
            inPlace->InPlaceDeactivate();
            inPlace->Release();
        }
        m_oleObject->Close(OLECLOSE_NOSAVE);
        if (m_siteSet) m_oleObject->SetClientSite(nullptr);
        m_oleObject->Release();
        m_oleObject = nullptr;
    }
    if (m_dispatch) {
        m_dispatch->Release();
        m_dispatch = nullptr;
    }
    if (m_control) {
        m_control->Release();
        m_control = nullptr;
    }
    if (m_site) {
        m_site->Release();
        m_site = nullptr;
    }
    m_loaded = false;
    m_siteSet = false;
}
