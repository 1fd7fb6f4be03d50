#include "control_site.h"

#include <urlmon.h>

CControlSite::CControlSite(HWND window, const RECT& position) : m_window(window), m_position(position) {}

CControlSite::~CControlSite() {
    if (m_activeObject) m_activeObject->Release();
}

STDMETHODIMP CControlSite::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IOleControlSite)
        *object = static_cast<IOleControlSite*>(this);
    else if (iid == IID_IDispatch)
        *object = static_cast<IDispatch*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CControlSite::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CControlSite::Release() {
    const LONG n = ::InterlockedDecrement(&m_refs);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP CControlSite::GetMoniker(DWORD, DWORD which, IMoniker** moniker) {
    if (!moniker) return E_POINTER;
    *moniker = nullptr;
    // A browser names the page its controls sit on with the page's URL moniker.
    if (m_pageAddress.empty() || (which != OLEWHICHMK_CONTAINER && which != OLEWHICHMK_OBJFULL)) return E_NOTIMPL;
    return ::CreateURLMonikerEx(nullptr, m_pageAddress.c_str(), moniker, URL_MK_UNIFORM);
}

STDMETHODIMP CControlSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CControlSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

STDMETHODIMP CControlSite::OnInPlaceActivate() {
    m_inPlaceActive = true;
    return S_OK;
}

STDMETHODIMP CControlSite::OnUIActivate() {
    m_uiActive = true;
    return S_OK;
}

STDMETHODIMP CControlSite::OnUIDeactivate(BOOL) {
    m_uiActive = false;
    return S_OK;
}

STDMETHODIMP CControlSite::OnInPlaceDeactivate() {
    m_inPlaceActive = false;
    return S_OK;
}

STDMETHODIMP CControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                            LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    if (!frame || !document || !position || !clip) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;  // the frame is the document window too
    *position = m_position;
    *clip = m_position;
    if (frameInfo) {
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = m_window;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP CControlSite::OnPosRectChange(LPCRECT position) {
    if (!position) return E_POINTER;
    m_position = *position;
    return S_OK;
}

STDMETHODIMP CControlSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    if (object) object->AddRef();
    if (m_activeObject) m_activeObject->Release();
    m_activeObject = object;
    return S_OK;
}

STDMETHODIMP CControlSite::GetExtendedControl(IDispatch** extended) {
    if (extended) *extended = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CControlSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
    if (typeInfo) *typeInfo = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP CControlSite::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                  UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    VARIANT value;
    ::VariantInit(&value);
    switch (dispid) {
    case DISPID_AMBIENT_USERMODE:  // a page runs its controls, it does not design them
        V_VT(&value) = VT_BOOL;
        V_BOOL(&value) = VARIANT_TRUE;
        break;
    case DISPID_AMBIENT_UIDEAD:
        V_VT(&value) = VT_BOOL;
        V_BOOL(&value) = VARIANT_FALSE;
        break;
    case DISPID_AMBIENT_LOCALEID:
        V_VT(&value) = VT_I4;
        V_I4(&value) = static_cast<LONG>(::GetUserDefaultLCID());
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    if (result) *result = value;
    return S_OK;
}
