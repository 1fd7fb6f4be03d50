#include "control_wnd.h"

const MsgMap* CControlWnd::GetThisMessageMap() {
    static const MsgMapEntry entries[] = {{0, 0, nullptr}};
    static const MsgMap map = {&CWnd::GetThisMessageMap, entries};
    return &map;
}

CControlWnd::~CControlWnd() { UnsubclassWindow(); }

BOOL CControlWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!parent || !parent->m_hWnd) return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

BOOL CControlWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || CWnd::FromHandle(hwnd)) return FALSE;
    Attach(hwnd);
    ownProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CControlWnd::SubclassProc)));
    if (!ownProc) {
        Detach();
        return FALSE;
    }
    return TRUE;
}

void CControlWnd::UnsubclassWindow() {
    if (!m_hWnd) return;
    if (ownProc) ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ownProc));
    ownProc = nullptr;
    Detach();
}

bool CControlWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CControlWnd::Default() {
    if (!current || !ownProc) return 0;
    return ::CallWindowProcW(ownProc, current->hwnd, current->message, current->wParam, current->lParam);
}

LRESULT CALLBACK CControlWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = dynamic_cast<CControlWnd*>(CWnd::FromHandle(hwnd));
    if (!self || !self->ownProc) return ::DefWindowProcW(hwnd, msg, w, l);
    const WNDPROC own = self->ownProc;
    const CHandlerScope running(self);
    if (msg == WM_NCDESTROY) {
        self->UnsubclassWindow();
        const LRESULT result = ::CallWindowProcW(own, hwnd, msg, w, l);
        self->PostNcDestroy();
        return result;
    }
    MSG now{hwnd, msg, w, l, 0, {0, 0}};
    const MSG* outer = self->current;
    self->current = &now;
    LRESULT result = 0;
    const bool handled = self->Dispatch(msg, w, l, &result);
    self->current = outer;
    if (handled) return result;
    return ::CallWindowProcW(own, hwnd, msg, w, l);
}

bool ReflectToChild(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
    HWND child = nullptr;
    if (msg == WM_COMMAND && l) child = reinterpret_cast<HWND>(l);
    if (msg == WM_DRAWITEM && l) child = reinterpret_cast<const DRAWITEMSTRUCT*>(l)->hwndItem;
    auto* control = dynamic_cast<CControlWnd*>(CWnd::FromHandle(child));
    return control && control->OnChildNotify(msg, w, l, result);
}
