#include "wnd.h"

#include "text_conversion.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace {
// The window property marks a window as ours for every module of the
// process. Reading it is a server call under wine (tens of microseconds),
// and the window procedures look their object up for every message, so
// this module also keeps its own windows in a map.
const char kWndProp[] = "CorvalaWnd";

std::mutex g_windowsMutex;
std::unordered_map<HWND, CWnd*>& OwnWindows() {
    static auto* windows = new std::unordered_map<HWND, CWnd*>;  // outlives static destruction
    return *windows;
}
}  // namespace

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

CWnd::~CWnd() {
    // A window that outlives its object must not lead back to it.
    Detach();
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    {
        std::lock_guard<std::mutex> lock(g_windowsMutex);
        auto found = OwnWindows().find(hwnd);
        if (found != OwnWindows().end()) return found->second;
    }
    return static_cast<CWnd*>(::GetPropA(hwnd, kWndProp));  // another module's window, or none
}

size_t CWnd::LiveCount() {
    std::lock_guard<std::mutex> lock(g_windowsMutex);
    return OwnWindows().size();
}

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    if (!hwnd) return;
    ::SetPropA(hwnd, kWndProp, this);
    std::lock_guard<std::mutex> lock(g_windowsMutex);
    OwnWindows()[hwnd] = this;
}

void CWnd::Detach() {
    if (!m_hWnd) return;
    ::RemovePropA(m_hWnd, kWndProp);
    {
        std::lock_guard<std::mutex> lock(g_windowsMutex);
        auto found = OwnWindows().find(m_hWnd);
        if (found != OwnWindows().end() && found->second == this) OwnWindows().erase(found);
    }
    m_hWnd = nullptr;
}

void CWnd::SetWindowText(const char* text) {
    ::SetWindowTextW(m_hWnd, WideFromUtf8(text ? text : "").c_str());
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

CHandlerScope::CHandlerScope(CWnd* wnd) {
    if (!wnd) return;
    held[0] = wnd;
    if (HWND root = wnd->m_hWnd ? ::GetAncestor(wnd->m_hWnd, GA_ROOT) : nullptr; root && root != wnd->m_hWnd) {
        // Only this module's windows: another module's object is not ours to count on.
        std::lock_guard<std::mutex> lock(g_windowsMutex);
        auto found = OwnWindows().find(root);
        if (found != OwnWindows().end()) held[1] = found->second;
    }
    for (CWnd* w : held)
        if (w) ++w->m_runningHandlers;
}

CHandlerScope::~CHandlerScope() {
    for (CWnd* w : held)
        if (w && --w->m_runningHandlers == 0) w->OnHandlersReturned();
}
