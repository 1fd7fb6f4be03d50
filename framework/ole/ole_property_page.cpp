#include "ole_property_page.h"

#include <cwchar>

#include "app.h"
#include "ole_module.h"
#include "ole_registry.h"

COlePropertyPage::COlePropertyPage(UINT dialogTemplateId, UINT captionStringId)
    : CDialog(dialogTemplateId), m_captionStringId(captionStringId) {
    OleModuleAddRef();
}

COlePropertyPage::~COlePropertyPage() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    ReleaseObjects();
    if (m_site) m_site->Release();
    OleModuleRelease();
}

STDMETHODIMP COlePropertyPage::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPropertyPage) {
        *object = static_cast<IPropertyPage*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COlePropertyPage::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) COlePropertyPage::Release() {
    const LONG n = ::InterlockedDecrement(&m_refs);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP COlePropertyPage::SetPageSite(IPropertyPageSite* site) {
    if (site) site->AddRef();
    if (m_site) m_site->Release();
    m_site = site;
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
    if (m_hWnd) return S_OK;
    m_frameParent.m_hWnd = parent;
    if (!Create(GetTemplateId(), &m_frameParent) || !m_hWnd) return E_FAIL;
    if (rect) Move(rect);
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Deactivate() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    m_frameParent.m_hWnd = nullptr;
    return S_OK;
}

namespace {
INT_PTR CALLBACK IgnoreAllMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
}  // namespace

SIZE COlePropertyPage::MeasureDialog() {
    // The template's size is in dialog units of its own font: made once,
    // hidden, under a hidden helper window, and measured.
    SIZE size{0, 0};
    HWND helper = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    OleModuleInstance(), nullptr);
    if (!helper) return size;
    HWND probe = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(GetTemplateId()), helper,
                                      &IgnoreAllMessages, 0);
    if (probe) {
        RECT rc;
        ::GetWindowRect(probe, &rc);
        size.cx = rc.right - rc.left;
        size.cy = rc.bottom - rc.top;
        ::DestroyWindow(probe);
    }
    ::DestroyWindow(helper);
    return size;
}

STDMETHODIMP COlePropertyPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    const std::wstring caption = LoadModuleString(AfxGetResourceHandle(), m_captionStringId);
    info->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc((caption.size() + 1) * sizeof(wchar_t)));
    if (!info->pszTitle) return E_OUTOFMEMORY;
    std::wmemcpy(info->pszTitle, caption.c_str(), caption.size() + 1);
    info->size = MeasureDialog();
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

void COlePropertyPage::ReleaseObjects() {
    for (IUnknown* object : m_objects) object->Release();
    m_objects.clear();
}

STDMETHODIMP COlePropertyPage::SetObjects(ULONG count, IUnknown** objects) {
    if (count && !objects) return E_POINTER;
    ReleaseObjects();
    for (ULONG i = 0; i < count; ++i) {
        if (!objects[i]) continue;
        objects[i]->AddRef();
        m_objects.push_back(objects[i]);
    }
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Show(UINT command) {
    if (!m_hWnd) return E_UNEXPECTED;
    ::ShowWindow(m_hWnd, static_cast<int>(command));
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Move(LPCRECT rect) {
    if (!rect) return E_POINTER;
    if (!m_hWnd) return E_UNEXPECTED;
    ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

STDMETHODIMP COlePropertyPage::IsPageDirty() { return m_dirty ? S_OK : S_FALSE; }

STDMETHODIMP COlePropertyPage::Apply() {
    OnApply();
    m_dirty = false;
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

STDMETHODIMP COlePropertyPage::TranslateAccelerator(MSG* msg) {
    if (!msg) return E_POINTER;
    return m_hWnd && ::IsDialogMessageW(m_hWnd, msg) ? S_OK : S_FALSE;
}

void COlePropertyPage::SetModifiedFlag(bool modified) {
    m_dirty = modified;
    if (modified && m_site) m_site->OnStatusChange(PROPPAGESTATUS_DIRTY);
}
