// CWnd: a thin owner of a window handle with a message table.
#pragma once
#include <windows.h>

#include "msgmap.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL DestroyWindow();
    BOOL MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) {
        return ::MoveWindow(m_hWnd, x, y, w, h, repaint);
    }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendMessageW(m_hWnd, msg, w, l); }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::PostMessageW(m_hWnd, msg, w, l); }
    HICON SetIcon(HICON icon, BOOL big) {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                                                   reinterpret_cast<LPARAM>(icon)));
    }
    // The text in UTF-8.
    void SetWindowText(const char* text);
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }

    // Looks up the message table; returns true when a handler took the message.
    bool Dispatch(UINT msg, WPARAM w, LPARAM l, LRESULT* result);
    // Gives the window a chance to drop or handle a queued message before it is dispatched.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }
    // The window (or dialog) under this handle, or null when it is not one of ours.
    static CWnd* FromHandle(HWND hwnd);
    // Windows of ours that exist right now, in this module.
    static size_t LiveCount();

    // Called when the window is gone; a popup may delete itself here.
    virtual void PostNcDestroy() {}

    // Handlers of this window, or of a window of ours inside it, on the stack
    // now (window procedure, PreTranslateMessage). While any runs, a box it
    // showed may dispatch anything, so the object must not be released.
    int RunningHandlers() const { return m_runningHandlers; }

protected:
    // Called when the last running handler has returned.
    virtual void OnHandlersReturned() {}
    friend class CHandlerScope;

    static const MsgMap* GetThisMessageMap();
    virtual const MsgMap* GetMessageMap() const { return GetThisMessageMap(); }
    void Attach(HWND hwnd);
    void Detach();
    friend struct CWndAccess;

private:
    int m_runningHandlers = 0;
};

// Marks a handler of a window as running for its own lifetime, on the window
// and on the top-level window of this module that holds it: a child
// control's handler runs inside its dialog's object.
class CHandlerScope {
public:
    explicit CHandlerScope(CWnd* wnd);
    ~CHandlerScope();
    CHandlerScope(const CHandlerScope&) = delete;
    CHandlerScope& operator=(const CHandlerScope&) = delete;

private:
    CWnd* held[2] = {nullptr, nullptr};
};
