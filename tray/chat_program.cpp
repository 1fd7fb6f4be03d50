// The external chat program: an earlier copy is terminated, then a new one is
// started with the member's identity and the agreed chat server.
#include "tray_main_dlg.h"

#include <tlhelp32.h>

#include "chat_command_line.h"
#include "message_box.h"
#include "process_launcher.h"
#include "text_conversion.h"

namespace {
const char kServerCaption[] = "서버 메시지";
const char kLaunchFailedText[] = "채팅프로그램을 실행할 수 없습니다. 로그아웃 후 다시 로그인 해 주세요.";
const char kUnusableDecisionText[] = "채팅 서버 정보가 올바르지 않아 채팅프로그램을 실행할 수 없습니다.";
constexpr DWORD kKillPauseMs = 100;
// A copy that keeps reappearing must not hold the UI thread for ever: after
// about ten seconds the start goes ahead with whatever still runs.
constexpr int kMaxKillRounds = 100;
// A chat program that never waits for input must not freeze the link and the
// popups behind it: after this long the start is taken as done.
constexpr DWORD kChatProgramIdleLimitMs = 5000;
}  // namespace

bool CTrayMainDlg::KillChatProgram() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    bool terminated = false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        entry.szExeFile[MAX_PATH - 1] = 0;
        if (!IsChatProgramName(Utf8FromWide(entry.szExeFile))) continue;
        HANDLE process = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
        if (!process || !::TerminateProcess(process, 0)) {
            if (process) ::CloseHandle(process);
            break;  // what cannot be terminated stays; report what was done so far
        }
        // Termination completes asynchronously; the next walk should not meet the dying copy.
        ::WaitForSingleObject(process, 1000);
        DWORD exitCode = 0;
        ::GetExitCodeProcess(process, &exitCode);
        ::CloseHandle(process);
        terminated = true;
    }
    ::CloseHandle(snapshot);
    return terminated;
}

void CTrayMainDlg::LaunchChatProgram(const ChatDecision& decision) {
    // Checked before anything is ended: a decision we cannot pass on must not
    // cost the member a chat that is running.
    if (!IsLaunchableDecision(decision)) {
        ShowMessageBox(nullptr, kUnusableDecisionText, kServerCaption, MB_OK | MB_ICONSTOP | MB_TOPMOST);
        return;
    }
    for (int round = 0; round < kMaxKillRounds && KillChatProgram(); ++round) ::Sleep(kKillPauseMs);
    const std::string line = BuildChatCommandLine(CredentialText(userId), CredentialText(password), decision,
                                                 webcamPresent, loginMark, ownSex);
    if (!LaunchProcess(line, kChatProgramIdleLimitMs).started)
        ShowMessageBox(nullptr, kLaunchFailedText, kServerCaption, MB_OK | MB_ICONSTOP | MB_TOPMOST);
}
