// COleControl: object identity, lifetime, the OLE object and control
// interfaces, persistence, class information, property pages and connection points.
#include "ole_control.h"

#include "ole_module.h"
#include "page_address.h"

namespace {
// The locale our type libraries are made in (US English).
constexpr LCID kTypeLibFallbackLcid = 0x0409;
constexpr DWORD kSafeOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

}  // namespace

COleControl::COleControl(const OleControlClassInfo& classInfo)
    : m_classInfo(classInfo),
      m_eventPoint(static_cast<IConnectionPointContainer*>(this), IID_NULL, true),
      m_propertyNotifyPoint(static_cast<IConnectionPointContainer*>(this), IID_IPropertyNotifySink, false) {
    OleModuleAddRef();
    SetInitialSize(100, 50);
}

COleControl::~COleControl() {
    // Normally gone already (FinalRelease); a window must not outlive its object.
    if (GetOuterWindow()) DestroyControlWindow();
    OleModuleRelease();
}

void COleControl::InitializeIIDs(const IID* dispatchIid, const IID* eventIid) {
    m_dispatchIid = dispatchIid ? *dispatchIid : IID_NULL;
    m_eventIid = eventIid ? *eventIid : IID_NULL;
    m_eventPoint.SetIid(m_eventIid);
}

// --- IUnknown ---

STDMETHODIMP COleControl::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleObject)
        *object = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
        *object = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IOleInPlaceActiveObject)
        *object = static_cast<IOleInPlaceActiveObject*>(this);
    else if (iid == IID_IOleControl)
        *object = static_cast<IOleControl*>(this);
    else if (iid == IID_IViewObject || iid == IID_IViewObject2)
        *object = static_cast<IViewObject2*>(this);
    else if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
        *object = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IPersistPropertyBag)
        *object = static_cast<IPersistPropertyBag*>(this);
    else if (iid == IID_IDispatch || (iid == m_dispatchIid && iid != IID_NULL))
        *object = static_cast<IDispatch*>(this);
    else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
        *object = static_cast<IProvideClassInfo2*>(this);
    else if (iid == IID_ISpecifyPropertyPages)
        *object = static_cast<ISpecifyPropertyPages*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IObjectSafety)
        *object = static_cast<IObjectSafety*>(this);
    else if (iid == IID_IObjectWithSite)
        *object = static_cast<IObjectWithSite*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COleControl::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) COleControl::Release() {
    const LONG n = ::InterlockedDecrement(&m_refs);
    if (n == 0) {
        FinalRelease();
        return 0;
    }
    return static_cast<ULONG>(n);
}

void COleControl::FinalRelease() {
    // Tearing down calls out to the site, which may take and drop references
    // of its own; the object must not be deleted twice on the way.
    m_refs = 1;
    InPlaceDeactivate();
    if (m_clientSite) {
        m_clientSite->Release();
        m_clientSite = nullptr;
    }
    if (m_objectSite) {
        m_objectSite->Release();
        m_objectSite = nullptr;
    }
    if (m_adviseHolder) {
        m_adviseHolder->Release();
        m_adviseHolder = nullptr;
    }
    if (m_viewSink) {
        m_viewSink->Release();
        m_viewSink = nullptr;
    }
    if (m_dispatchTypeInfo) {
        m_dispatchTypeInfo->Release();
        m_dispatchTypeInfo = nullptr;
    }
    m_eventPoint.ReleaseAll();
    m_propertyNotifyPoint.ReleaseAll();
    delete this;
}

// --- IOleObject ---

STDMETHODIMP COleControl::SetClientSite(IOleClientSite* site) {
    CallHold hold(this);
    if (!site && m_inPlaceActive) InPlaceDeactivate();
    ReplaceSite(m_clientSite, site);
    return S_OK;
}

STDMETHODIMP COleControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = m_clientSite;
    if (m_clientSite) m_clientSite->AddRef();
    return S_OK;
}

STDMETHODIMP COleControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP COleControl::Close(DWORD saveOption) {
    CallHold hold(this);
    if (m_inPlaceActive) InPlaceDeactivate();
    // Nobody is asked: a prompt to save becomes a save when something changed.
    if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) && m_modified && m_clientSite)
        m_clientSite->SaveObject();
    if (m_adviseHolder) m_adviseHolder->SendOnClose();
    return S_OK;
}

STDMETHODIMP COleControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
STDMETHODIMP COleControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP COleControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
STDMETHODIMP COleControl::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT posRect) {
    CallHold hold(this);
    if (!m_clientSite && site) SetClientSite(site);
    // On a page it does not serve, the control never shows itself.
    if (verb != OLEIVERB_HIDE && !PageServed()) return E_ACCESSDENIED;
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(true, parent, posRect);
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
        return InPlaceActivate(false, parent, posRect);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (HWND outer = GetOuterWindow()) ::ShowWindow(outer, SW_HIDE);
        return S_OK;
    default:
        if (verb > 0) {
            // Unknown verbs of the object's own range act as the primary verb.
            const HRESULT hr = InPlaceActivate(true, parent, posRect);
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
}

STDMETHODIMP COleControl::EnumVerbs(IEnumOLEVERB** verbs) { return ::OleRegEnumVerbs(*m_classInfo.clsid, verbs); }
STDMETHODIMP COleControl::Update() { return S_OK; }
STDMETHODIMP COleControl::IsUpToDate() { return S_OK; }

STDMETHODIMP COleControl::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = *m_classInfo.clsid;
    return S_OK;
}

STDMETHODIMP COleControl::GetUserType(DWORD form, LPOLESTR* userType) {
    return ::OleRegGetUserType(*m_classInfo.clsid, form, userType);
}

STDMETHODIMP COleControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
    if (size->cx != m_extent.cx || size->cy != m_extent.cy) {
        m_extent = *size;
        SetModifiedFlag();
    }
    return S_OK;
}

STDMETHODIMP COleControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = m_extent;
    return S_OK;
}

STDMETHODIMP COleControl::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!connection) return E_POINTER;
    *connection = 0;
    if (!sink) return E_INVALIDARG;
    if (!m_adviseHolder) {
        const HRESULT hr = ::CreateOleAdviseHolder(&m_adviseHolder);
        if (FAILED(hr)) return hr;
    }
    return m_adviseHolder->Advise(sink, connection);
}

STDMETHODIMP COleControl::Unadvise(DWORD connection) {
    return m_adviseHolder ? m_adviseHolder->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP COleControl::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise) return E_POINTER;
    *advise = nullptr;
    return m_adviseHolder ? m_adviseHolder->EnumAdvise(advise) : S_OK;
}

STDMETHODIMP COleControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = m_classInfo.miscStatus;
    return S_OK;
}

STDMETHODIMP COleControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// --- IOleControl ---

STDMETHODIMP COleControl::GetControlInfo(CONTROLINFO* info) {
    if (!info) return E_POINTER;
    // No mnemonics.
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP COleControl::OnMnemonic(MSG*) { return E_NOTIMPL; }
STDMETHODIMP COleControl::OnAmbientPropertyChange(DISPID) { return S_OK; }

STDMETHODIMP COleControl::FreezeEvents(BOOL freeze) {
    if (freeze)
        ++m_freezeEvents;
    else if (m_freezeEvents > 0)
        --m_freezeEvents;
    return S_OK;
}

// --- persistence ---

STDMETHODIMP COleControl::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = *m_classInfo.clsid;
    return S_OK;
}

STDMETHODIMP COleControl::IsDirty() { return m_modified ? S_OK : S_FALSE; }

void COleControl::DoPropExchange(CPropExchange* px) {
    int32_t cx = m_extent.cx;
    int32_t cy = m_extent.cy;
    PX_Long(px, "_ExtentX", cx, m_extent.cx);
    PX_Long(px, "_ExtentY", cy, m_extent.cy);
    // A negative extent from a page or stream is nonsense: the control keeps its own.
    if (px->IsLoading() && cx >= 0 && cy >= 0) m_extent = {cx, cy};
    // No stock properties; the mask is kept so saved states stay in step.
    uint32_t stockProps = 0;
    PX_ULong(px, "_StockProps", stockProps, 0);
}

void COleControl::ExchangeVersion(CPropExchange* px, DWORD version) {
    DWORD value = version;
    px->ExchangeVersion(value, version);
}

void COleControl::OnResetState() {
    CResetPropExchange px;
    DoPropExchange(&px);
}

HRESULT COleControl::LoadFromExchange(CPropExchange& px) {
    DoPropExchange(&px);
    m_modified = false;
    InvalidateControl();
    return S_OK;
}

STDMETHODIMP COleControl::Load(LPSTREAM stream) {
    if (!stream) return E_POINTER;
    CallHold hold(this);
    if (!PageServed()) return E_ACCESSDENIED;
    const SIZEL extentBefore = m_extent;
    CStreamPropExchange px(stream, true);
    LoadFromExchange(px);
    if (!px.Succeeded()) {
        // A damaged state loads nothing: the control starts as a new one,
        // in the size it had (the size is read before the damage shows).
        m_extent = extentBefore;
        OnResetState();
        m_modified = false;
        return FAILED(px.Result()) ? px.Result() : E_FAIL;
    }
    return S_OK;
}

STDMETHODIMP COleControl::Save(LPSTREAM stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    CallHold hold(this);  // the stream is the container's
    CStreamPropExchange px(stream, false);
    DoPropExchange(&px);
    if (!px.Succeeded()) return FAILED(px.Result()) ? px.Result() : E_FAIL;
    if (clearDirty) m_modified = false;
    return S_OK;
}

STDMETHODIMP COleControl::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    IStream* stream = nullptr;
    HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (FAILED(hr)) return hr;
    CStreamPropExchange px(stream, false);
    DoPropExchange(&px);
    hr = px.Succeeded() ? S_OK : px.Result();
    if (SUCCEEDED(hr)) {
        STATSTG stat{};
        hr = stream->Stat(&stat, STATFLAG_NONAME);
        if (SUCCEEDED(hr)) *size = stat.cbSize;
    }
    stream->Release();
    return hr;
}

STDMETHODIMP COleControl::InitNew() {
    OnResetState();
    m_modified = false;
    return S_OK;
}

STDMETHODIMP COleControl::Load(IPropertyBag* bag, IErrorLog* errorLog) {
    if (!bag) return E_POINTER;
    CallHold hold(this);
    if (!PageServed()) return E_ACCESSDENIED;
    CPropbagPropExchange px(bag, errorLog, true);
    return LoadFromExchange(px);
}

STDMETHODIMP COleControl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (!bag) return E_POINTER;
    CallHold hold(this);  // so is the bag
    CPropbagPropExchange px(bag, nullptr, false);
    DoPropExchange(&px);
    if (FAILED(px.SaveResult())) return px.SaveResult();
    if (clearDirty) m_modified = false;
    return S_OK;
}

// --- class information, pages, connection points ---

ITypeInfo* COleControl::LoadTypeInfo(REFGUID guid, LCID lcid, HRESULT* error) {
    if (guid == m_dispatchIid && m_dispatchTypeInfo && m_dispatchTypeInfoLcid == lcid) {
        m_dispatchTypeInfo->AddRef();
        return m_dispatchTypeInfo;
    }
    // The library is registered in its own locale only; a host asking in
    // another one (a Korean browser, or the neutral locale) still gets it.
    ITypeLib* typeLib = nullptr;
    HRESULT hr = E_FAIL;
    for (LCID tried : {lcid, kTypeLibFallbackLcid, LCID(0)}) {
        hr = ::LoadRegTypeLib(*m_classInfo.typeLib, m_classInfo.typeLibMajor, m_classInfo.typeLibMinor, tried,
                              &typeLib);
        if (SUCCEEDED(hr)) break;
    }
    ITypeInfo* typeInfo = nullptr;
    if (SUCCEEDED(hr)) {
        hr = typeLib->GetTypeInfoOfGuid(guid, &typeInfo);
        typeLib->Release();
    }
    if (error) *error = hr;
    if (FAILED(hr)) return nullptr;
    if (guid == m_dispatchIid) {
        if (m_dispatchTypeInfo) m_dispatchTypeInfo->Release();
        m_dispatchTypeInfo = typeInfo;
        m_dispatchTypeInfoLcid = lcid;
        typeInfo->AddRef();
    }
    return typeInfo;
}

STDMETHODIMP COleControl::GetClassInfo(ITypeInfo** typeInfo) {
    if (!typeInfo) return E_POINTER;
    HRESULT hr = E_FAIL;
    *typeInfo = LoadTypeInfo(*m_classInfo.clsid, 0, &hr);
    return *typeInfo ? S_OK : hr;
}

STDMETHODIMP COleControl::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = m_eventIid;
    return S_OK;
}

STDMETHODIMP COleControl::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    const ULONG count = m_classInfo.propertyPageCount;
    if (count == 0) return S_OK;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(count * sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < count; ++i) pages->pElems[i] = m_classInfo.propertyPages[i];
    pages->cElems = count;
    return S_OK;
}

STDMETHODIMP COleControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return CreateConnectionPointEnumerator({&m_eventPoint, &m_propertyNotifyPoint}, points);
}

STDMETHODIMP COleControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid == m_eventIid && iid != IID_NULL)
        *point = &m_eventPoint;
    else if (iid == IID_IPropertyNotifySink)
        *point = &m_propertyNotifyPoint;
    else
        return CONNECT_E_NOCONNECTION;
    (*point)->AddRef();
    return S_OK;
}

// --- the page: IObjectSafety, IObjectWithSite ---

COleControl::PageState COleControl::CheckPage() {
    if (!m_classInfo.allowsPage) return PageState::Allowed;
    if (m_pageState != PageState::Unknown) return m_pageState;
    if (!m_clientSite && !m_objectSite) return m_pageState;
    // Either site may be the one that shows the page (a script-made control
    // has only the second); a page found through one is not overruled by the other.
    PageAddress page = ReadPageAddress(m_clientSite);
    if (!page.isPage) page = ReadPageAddress(m_objectSite);
    // A page that will not say where it is gets nothing either.
    if (page.isPage && m_pageState != PageState::Refused)
        m_pageState = !page.address.empty() && m_classInfo.allowsPage(page.address) ? PageState::Allowed
                                                                                    : PageState::Refused;
    return m_pageState;
}

bool COleControl::PageServed() { return CheckPage() != PageState::Refused; }

// An interface the control has, asked about on a page it serves; only such a
// page learns that the control is safe.
HRESULT COleControl::SafetyAnswerable(REFIID iid) {
    IUnknown* asked = nullptr;
    if (FAILED(QueryInterface(iid, reinterpret_cast<void**>(&asked)))) return E_NOINTERFACE;
    asked->Release();
    return CheckPage() == PageState::Allowed ? S_OK : E_FAIL;
}

STDMETHODIMP COleControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    *supported = 0;
    *enabled = 0;
    CallHold hold(this);
    const HRESULT answerable = SafetyAnswerable(iid);
    if (FAILED(answerable)) return answerable;
    *supported = kSafeOptions;
    *enabled = m_safetyOptions;
    return S_OK;
}

STDMETHODIMP COleControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
    CallHold hold(this);
    const HRESULT answerable = SafetyAnswerable(iid);
    if (FAILED(answerable)) return answerable;
    if (mask & ~kSafeOptions) return E_FAIL;
    m_safetyOptions = (m_safetyOptions & ~mask) | (enabled & mask);
    return S_OK;
}

STDMETHODIMP COleControl::SetSite(IUnknown* site) {
    CallHold hold(this);  // the site let go may let the control go
    ReplaceSite(m_objectSite, site);
    return S_OK;
}

STDMETHODIMP COleControl::GetSite(REFIID iid, void** site) {
    if (!site) return E_POINTER;
    *site = nullptr;
    if (!m_objectSite) return E_FAIL;
    return m_objectSite->QueryInterface(iid, site);
}
