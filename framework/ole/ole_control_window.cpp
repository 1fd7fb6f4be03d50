// COleControl: in-place activation, the control window (and the reflector
// window of a subclassed system control), painting and the view object.
#include "ole_control.h"

#include "ole_module.h"

namespace {

const wchar_t kControlWindowClass[] = L"CorvalaOleControl";
const wchar_t kReflectorWindowClass[] = L"CorvalaOleReflector";

// The control whose window is being made on this thread: the creation hook
// subclasses the first window created while it is set.
thread_local COleControl* t_creating = nullptr;

bool IsReflectedMessage(UINT message) {
    switch (message) {
    case WM_COMMAND: case WM_NOTIFY: case WM_PARENTNOTIFY:
    case WM_DRAWITEM: case WM_MEASUREITEM: case WM_DELETEITEM: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

bool RegisterClassOnce(const wchar_t* name, WNDPROC proc, UINT style, HBRUSH background) {
    HINSTANCE module = OleModuleInstance();
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(module, name, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = module;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return ::RegisterClassExW(&wc) != 0;
}

LONG PixelsToHimetric(int pixels, int dpi) { return ::MulDiv(pixels, 2540, dpi > 0 ? dpi : 96); }

}  // namespace

void OleControlUnregisterWindowClasses() {
    ::UnregisterClassW(kControlWindowClass, OleModuleInstance());
    ::UnregisterClassW(kReflectorWindowClass, OleModuleInstance());
}

// --- message table ---

BEGIN_MESSAGE_MAP(COleControl, CWnd)
    ON_MESSAGE(WM_CREATE, &COleControl::OnCreateMessage)
    ON_MESSAGE(WM_PAINT, &COleControl::OnPaintMessage)
    ON_MESSAGE(WM_MOUSEACTIVATE, &COleControl::OnMouseActivateMessage)
    ON_MESSAGE(WM_SETFOCUS, &COleControl::OnSetFocusMessage)
    ON_MESSAGE(WM_KILLFOCUS, &COleControl::OnKillFocusMessage)
END_MESSAGE_MAP()

LRESULT COleControl::OnCreateMessage(WPARAM, LPARAM lParam) {
    return OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam));
}

int COleControl::OnCreate(LPCREATESTRUCTW) { return static_cast<int>(Default()); }

LRESULT COleControl::OnPaintMessage(WPARAM wParam, LPARAM) {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (wParam) {  // painting into a given context (printing, a parent's snapshot)
        OnDraw(reinterpret_cast<HDC>(wParam), client, client);
        return 0;
    }
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    if (dc) {
        OnDraw(dc, client, ps.rcPaint);
        ::EndPaint(m_hWnd, &ps);
    }
    return 0;
}

LRESULT COleControl::OnMouseActivateMessage(WPARAM, LPARAM) {
    // A click makes the control the active one, so that the keyboard reaches it.
    if (m_inPlaceActive && !m_uiActive) UIActivate();
    return Default();
}

LRESULT COleControl::OnSetFocusMessage(WPARAM, LPARAM) {
    IOleControlSite* site = nullptr;
    if (m_clientSite && SUCCEEDED(m_clientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&site)))) {
        site->OnFocus(TRUE);
        site->Release();
    }
    if (m_inPlaceActive && !m_uiActive) UIActivate();
    return Default();
}

LRESULT COleControl::OnKillFocusMessage(WPARAM, LPARAM) {
    IOleControlSite* site = nullptr;
    if (m_clientSite && SUCCEEDED(m_clientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&site)))) {
        site->OnFocus(FALSE);
        site->Release();
    }
    return Default();
}

void COleControl::OnDraw(HDC, const RECT&, const RECT&) {}

BOOL COleControl::PreCreateWindow(CREATESTRUCTW&) { return TRUE; }

LRESULT COleControl::Default() {
    const CurrentMessage& m = m_current;
    if (!m.hwnd) return 0;
    if (m_superProc) return ::CallWindowProcW(m_superProc, m.hwnd, m.message, m.wParam, m.lParam);
    return ::DefWindowProcW(m.hwnd, m.message, m.wParam, m.lParam);
}

void COleControl::DoSuperclassPaint(HDC dc, const RECT&) {
    if (m_hWnd && m_superProc)
        ::CallWindowProcW(m_superProc, m_hWnd, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

void COleControl::SetInitialSize(int width, int height) {
    HDC screen = ::GetDC(nullptr);
    const int dpiX = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    const int dpiY = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    m_extent.cx = PixelsToHimetric(width, dpiX);
    m_extent.cy = PixelsToHimetric(height, dpiY);
}

void COleControl::InvalidateControl() {
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    else if (m_viewSink)
        m_viewSink->OnViewChange(DVASPECT_CONTENT, -1);
}

// --- window procedures ---

LRESULT CALLBACK COleControl::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_creating) {
        COleControl* control = t_creating;
        t_creating = nullptr;  // windows the control makes for itself stay as they are
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        control->m_superProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&COleControl::ControlWindowProc)));
        control->Attach(hwnd);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK COleControl::ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<COleControl*>(CWnd::FromHandle(hwnd));
    if (!control) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    // Handling a message may call the container (focus, activation), which
    // may let the control go there; it then goes once the message is handled.
    // While it is being torn down its count stays above zero, so the
    // messages of its window's end release nothing twice.
    CallHold hold(control);
    const CurrentMessage saved = control->m_current;
    control->m_current = {hwnd, message, wParam, lParam};
    LRESULT result = 0;
    if (!control->Dispatch(message, wParam, lParam, &result)) {
        if (message >= OCM__BASE && IsReflectedMessage(message - OCM__BASE))
            // A notification the control does not handle gets the answer its
            // parent would have given (for the colour messages, the default brush).
            result = ::DefWindowProcW(hwnd, message - OCM__BASE, wParam, lParam);
        else if (control->m_superProc)
            result = ::CallWindowProcW(control->m_superProc, hwnd, message, wParam, lParam);
        else
            result = ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    control->m_current = saved;
    if (message == WM_NCDESTROY) {
        control->Detach();
        control->m_superProc = nullptr;
        control->PostNcDestroy();
    }
    return result;
}

LRESULT CALLBACK COleControl::ReflectorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* control = reinterpret_cast<COleControl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    HWND child = control ? control->m_hWnd : nullptr;
    if (child && IsReflectedMessage(message)) return ::SendMessageW(child, OCM__BASE + message, wParam, lParam);
    switch (message) {
    case WM_SIZE:
        if (child) ::MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (child) ::SetFocus(child);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the control covers the whole reflector
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool COleControl::CreateControlWindow(HWND parent, const RECT& pos) {
    if (!RegisterClassOnce(kControlWindowClass, &::DefWindowProcW, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)) ||
        !RegisterClassOnce(kReflectorWindowClass, &COleControl::ReflectorWindowProc, 0, nullptr))
        return false;
    CREATESTRUCTW cs{};
    cs.hInstance = OleModuleInstance();
    cs.lpszClass = kControlWindowClass;
    cs.lpszName = L"";
    cs.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    cs.x = pos.left;
    cs.y = pos.top;
    cs.cx = pos.right - pos.left;
    cs.cy = pos.bottom - pos.top;
    cs.hwndParent = parent;
    if (!PreCreateWindow(cs)) return false;
    if (IsSubclassedControl()) {
        m_reflector = ::CreateWindowExW(0, kReflectorWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                        pos.left, pos.top, cs.cx, cs.cy, parent, nullptr, OleModuleInstance(), this);
        if (!m_reflector) return false;
        cs.x = 0;
        cs.y = 0;
        cs.hwndParent = m_reflector;
    }
    // Subclassed from its very first message, so that WM_CREATE reaches the message table.
    t_creating = this;
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, &COleControl::CreationHook, nullptr, ::GetCurrentThreadId());
    HWND made = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                  cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (hook) ::UnhookWindowsHookEx(hook);
    if (made && t_creating == this) {
        // No hook could be set: subclass now (the creation messages went by).
        m_superProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(made, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&COleControl::ControlWindowProc)));
        Attach(made);
    }
    t_creating = nullptr;
    if (!made) {
        if (m_reflector) ::DestroyWindow(m_reflector);
        m_reflector = nullptr;
        return false;
    }
    return true;
}

void COleControl::DestroyControlWindow() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    if (m_reflector) ::DestroyWindow(m_reflector);
    m_reflector = nullptr;
}

void COleControl::ApplyClipRegion(const RECT& pos, const RECT& clip) {
    HWND outer = GetOuterWindow();
    if (!outer) return;
    RECT visible;
    if (!::IntersectRect(&visible, &pos, &clip)) visible = RECT{pos.left, pos.top, pos.left, pos.top};
    if (::EqualRect(&visible, &pos)) {
        ::SetWindowRgn(outer, nullptr, TRUE);
        return;
    }
    ::OffsetRect(&visible, -pos.left, -pos.top);
    HRGN region = ::CreateRectRgnIndirect(&visible);
    if (region && !::SetWindowRgn(outer, region, TRUE)) ::DeleteObject(region);
}

// --- in-place activation ---

HRESULT COleControl::InPlaceActivate(bool uiActivate, HWND parentHint, LPCRECT posHint) {
    if (!m_clientSite) return E_UNEXPECTED;
    if (!m_inPlaceActive) {
        if (!m_inPlaceSite &&
            FAILED(m_clientSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&m_inPlaceSite))))
            return E_NOINTERFACE;
        if (m_inPlaceSite->CanInPlaceActivate() != S_OK) {
            m_inPlaceSite->Release();
            m_inPlaceSite = nullptr;
            return E_FAIL;
        }
        m_inPlaceSite->OnInPlaceActivate();
        m_inPlaceActive = true;

        HWND parent = nullptr;
        if (FAILED(m_inPlaceSite->GetWindow(&parent)) || !parent) parent = parentHint;
        RECT pos{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        if (FAILED(m_inPlaceSite->GetWindowContext(&m_inPlaceFrame, &m_inPlaceDocument, &pos, &clip, &frameInfo))) {
            if (posHint) pos = *posHint;
            clip = pos;
        }
        if (!parent || (!m_hWnd && !CreateControlWindow(parent, pos))) {
            InPlaceDeactivate();
            return E_FAIL;
        }
        ApplyClipRegion(pos, clip);
    }
    // Every activating verb shows the control, also after OLEIVERB_HIDE.
    ::ShowWindow(GetOuterWindow(), SW_SHOWNA);
    return uiActivate ? UIActivate() : S_OK;
}

HRESULT COleControl::UIActivate() {
    if (!m_inPlaceActive) return E_UNEXPECTED;
    if (m_uiActive) return S_OK;
    m_uiActive = true;
    if (m_inPlaceSite) m_inPlaceSite->OnUIActivate();
    HWND focus = ::GetFocus();
    if (m_hWnd && focus != m_hWnd && !::IsChild(m_hWnd, focus)) ::SetFocus(m_hWnd);
    IOleInPlaceActiveObject* self = this;
    if (m_inPlaceFrame) {
        m_inPlaceFrame->SetActiveObject(self, nullptr);
        m_inPlaceFrame->SetBorderSpace(nullptr);
    }
    if (m_inPlaceDocument) {
        m_inPlaceDocument->SetActiveObject(self, nullptr);
        m_inPlaceDocument->SetBorderSpace(nullptr);
    }
    return S_OK;
}

STDMETHODIMP COleControl::UIDeactivate() {
    if (!m_uiActive) return S_OK;
    CallHold hold(this);  // the site and frame run the container's code
    m_uiActive = false;
    if (m_inPlaceDocument) m_inPlaceDocument->SetActiveObject(nullptr, nullptr);
    if (m_inPlaceFrame) m_inPlaceFrame->SetActiveObject(nullptr, nullptr);
    if (m_inPlaceSite) m_inPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP COleControl::InPlaceDeactivate() {
    if (!m_inPlaceActive) return S_OK;
    // Destroying a focused window sends WM_KILLFOCUS, which runs the page's
    // blur handler; the page may let the control go there.
    CallHold hold(this);
    UIDeactivate();
    m_inPlaceActive = false;
    DestroyControlWindow();
    if (m_inPlaceDocument) {
        m_inPlaceDocument->Release();
        m_inPlaceDocument = nullptr;
    }
    if (m_inPlaceFrame) {
        m_inPlaceFrame->Release();
        m_inPlaceFrame = nullptr;
    }
    if (m_inPlaceSite) {
        IOleInPlaceSite* site = m_inPlaceSite;
        m_inPlaceSite = nullptr;
        site->OnInPlaceDeactivate();
        site->Release();
    }
    return S_OK;
}

STDMETHODIMP COleControl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = GetOuterWindow();
    return *window ? S_OK : E_FAIL;
}

STDMETHODIMP COleControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP COleControl::SetObjectRects(LPCRECT posRect, LPCRECT clipRect) {
    if (!posRect) return E_POINTER;
    HWND outer = GetOuterWindow();
    if (!outer) return S_OK;
    CallHold hold(this);  // moving the window sends it messages, which may reach the page
    ::SetWindowPos(outer, nullptr, posRect->left, posRect->top, posRect->right - posRect->left,
                   posRect->bottom - posRect->top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyClipRegion(*posRect, clipRect ? *clipRect : *posRect);
    return S_OK;
}

STDMETHODIMP COleControl::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }
STDMETHODIMP COleControl::TranslateAccelerator(LPMSG) { return S_FALSE; }
STDMETHODIMP COleControl::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP COleControl::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP COleControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP COleControl::EnableModeless(BOOL) { return S_OK; }

// --- IViewObject2 ---

STDMETHODIMP COleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc, LPCRECTL bounds,
                               LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!drawDc) return E_INVALIDARG;
    RECT rc{};
    if (bounds)
        rc = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
    else if (m_hWnd)
        ::GetClientRect(m_hWnd, &rc);
    else
        return E_INVALIDARG;
    const int saved = ::SaveDC(drawDc);
    OnDraw(drawDc, rc, rc);
    ::RestoreDC(drawDc, saved);
    return S_OK;
}

STDMETHODIMP COleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colorSet) {
    if (colorSet) *colorSet = nullptr;
    return S_FALSE;
}

STDMETHODIMP COleControl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP COleControl::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP COleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    if (sink) sink->AddRef();
    if (m_viewSink) m_viewSink->Release();
    m_viewSink = sink;
    m_viewSinkAspects = aspects;
    m_viewSinkFlags = flags;
    return S_OK;
}

STDMETHODIMP COleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = m_viewSinkAspects;
    if (flags) *flags = m_viewSinkFlags;
    if (sink) {
        *sink = m_viewSink;
        if (m_viewSink) m_viewSink->AddRef();
    }
    return S_OK;
}

STDMETHODIMP COleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = m_extent;
    return S_OK;
}
