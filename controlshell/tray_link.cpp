#include "tray_link.h"

#include <set>

#include "tray_messages.h"

namespace {

// How often the wait for the member's answer looks whether Notewell still runs.
constexpr DWORD kHangCheckMs = 250;

// Close questions whose answer has not come yet, on this thread. An answer
// that comes after the wait gave up finds nothing to mark.
thread_local std::set<ULONG_PTR> t_unanswered;
thread_local ULONG_PTR t_nextQuestion = 1;

void CALLBACK OnCloseAnswered(HWND, UINT, ULONG_PTR question, LRESULT) { t_unanswered.erase(question); }

}  // namespace

HWND FindTrayWindow() { return ::FindWindowA(nullptr, kTrayWindowTitle); }

bool TrayInstanceExists() {
    HANDLE instance = ::OpenMutexW(SYNCHRONIZE, FALSE, kTrayInstanceName);
    if (!instance) return ::GetLastError() == ERROR_ACCESS_DENIED;  // there, of another account
    ::CloseHandle(instance);
    return true;
}

void SendTrayMessage(HWND tray, UINT message) {
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(tray, message, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kTraySendLimitMs, &answer);
}

void SendTrayRecord(HWND tray, ULONG_PTR kind, const void* record, size_t size) {
    COPYDATASTRUCT data;
    data.dwData = kind;
    data.cbData = static_cast<DWORD>(size);
    data.lpData = const_cast<void*>(record);
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(tray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          kTraySendLimitMs, &answer);
}

void AskTrayToClose(HWND tray) {
    // A window of this very thread answers within the send itself.
    const bool elsewhere = ::GetWindowThreadProcessId(tray, nullptr) != ::GetCurrentThreadId();
    auto gone = [&] { return !::IsWindow(tray) || (elsewhere && ::IsHungAppWindow(tray)); };
    if (gone()) return;
    const ULONG_PTR question = t_nextQuestion++;
    t_unanswered.insert(question);
    if (!::SendMessageCallbackA(tray, WM_TRAY_CLOSE_ASK, 0, 0, &OnCloseAnswered, question)) {
        t_unanswered.erase(question);
        return;
    }
    // As a plain send does, only messages sent to this thread are handled
    // meanwhile (the answer among them); the page's own input waits.
    while (t_unanswered.count(question) && !gone()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kHangCheckMs, QS_SENDMESSAGE);
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    t_unanswered.erase(question);
}
