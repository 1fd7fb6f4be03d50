#include "wnd.h"

namespace {
const char kWndProp[] = "CorvalaWnd";
}

const MsgMap* CWnd::GetThisMessageMap() {
    static const MsgMapEntry entries[] = {{0, 0, nullptr}};
    static const MsgMap map = {nullptr, entries};
    return &map;
}

bool CWnd::Dispatch(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
    const bool isCommand = msg == WM_COMMAND;
    const UINT id = isCommand ? LOWORD(w) : 0;
    // Command entries take menu items, accelerators and button clicks, not
    // the other notifications a control sends with its id.
    if (isCommand && HIWORD(w) > 1) return false;
    for (const MsgMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MsgMapEntry* e = map->entries; e->thunk; ++e) {
            if (e->message != msg) continue;
            if (isCommand && e->commandId != id) continue;
            *result = e->thunk(this, w, l);
            return true;
        }
    }
    return false;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<CWnd*>(::GetPropA(hwnd, kWndProp)) : nullptr;
}

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    ::SetPropA(hwnd, kWndProp, this);
}

void CWnd::Detach() {
    if (m_hWnd) ::RemovePropA(m_hWnd, kWndProp);
    m_hWnd = nullptr;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}
