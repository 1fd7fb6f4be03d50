#include "dialog.h"

#include "app.h"

const MsgMap* CDialog::GetThisMessageMap() {
    static const MsgMapEntry entries[] = {{0, 0, nullptr}};
    static const MsgMap map = {&CWnd::GetThisMessageMap, entries};
    return &map;
}

namespace {
// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool ReturnsDirectly(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: case WM_COMPAREITEM: case WM_VKEYTOITEM:
    case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}
}  // namespace

struct CWndAccess {
    static void Attach(CWnd* w, HWND h) { w->Attach(h); }
    static void Detach(CWnd* w) { w->Detach(); }
};

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_INITDIALOG) {
        auto* dlg = reinterpret_cast<CDialog*>(l);
        CWndAccess::Attach(dlg, hwnd);
        const CHandlerScope running(dlg);
        return dlg->OnInitDialog();
    }
    auto* dlg = static_cast<CDialog*>(CWnd::FromHandle(hwnd));
    if (!dlg) return FALSE;
    const CHandlerScope running(dlg);
    LRESULT result = 0;
    if (dlg->Dispatch(msg, w, l, &result)) {
        if (ReturnsDirectly(msg)) return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (msg == WM_COMMAND && HIWORD(w) == BN_CLICKED) {  // buttons and menus alike
        if (LOWORD(w) == IDOK) { dlg->OnOK(); return TRUE; }
        if (LOWORD(w) == IDCANCEL) { dlg->OnCancel(); return TRUE; }
    }
    if (msg == WM_NCDESTROY) {
        CWndAccess::Detach(dlg);
        dlg->PostNcDestroy();
        return FALSE;
    }
    return FALSE;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_templateId = templateId;
    if (parent) m_pParent = parent;
    HWND owner = m_pParent ? m_pParent->m_hWnd : nullptr;
    HWND hwnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParent ? m_pParent->m_hWnd : nullptr;
    const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
    m_modal = true;
    m_endRequested = false;
    m_result = -1;
    if (!Create(m_templateId, m_pParent)) {
        m_modal = false;
        if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
        return -1;
    }
    MSG msg;
    while (!m_endRequested) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!FilterDialogMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    m_modal = false;
    return m_result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    if (m_modal) {
        m_endRequested = true;
        if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

bool FilterDialogMessage(MSG* msg) {
    for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
        CWnd* w = CWnd::FromHandle(h);
        if (!w) continue;
        const CHandlerScope running(w);
        if (w->PreTranslateMessage(msg)) return true;
    }
    HWND root = msg->hwnd ? ::GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
    if (root && CWnd::FromHandle(root) && ::IsDialogMessageW(root, msg)) return true;
    return false;
}
