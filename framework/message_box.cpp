#include "message_box.h"

#include <mutex>

#include "wnd.h"

namespace {
std::mutex g_mutex;
MessageBoxHandler g_handler;
thread_local int t_openBoxes = 0;

// A box made by MessageBoxA: a dialog of no object of ours, with the
// message text in its static control 0xFFFF.
BOOL CALLBACK DismissIfMessageBox(HWND window, LPARAM) {
    char cls[16] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !::GetDlgItem(window, 0xFFFF) || CWnd::FromHandle(window)) return TRUE;
    const int button = ::GetDlgItem(window, IDCANCEL) ? IDCANCEL : IDOK;
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, button)));
    return TRUE;
}
}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_handler;
    }
    if (handler) return handler(MessageBoxRequest{owner, text ? text : "", caption ? caption : "", type});
    ++t_openBoxes;
    const int answer = ::MessageBoxA(owner, text, caption, type);
    --t_openBoxes;
    return answer;
}

void DismissOpenMessageBoxes() {
    if (t_openBoxes > 0) ::EnumThreadWindows(::GetCurrentThreadId(), &DismissIfMessageBox, 0);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(g_mutex);
    MessageBoxHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
