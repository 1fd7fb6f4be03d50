#include "bench_support.h"

#include "tray_messages.h"

#include <psapi.h>

#include <cstdio>

namespace bench {

std::string WindowsPath(std::string p) {
    for (char& c : p)
        if (c == '/') c = '\\';
    return "Z:" + p;
}

void MakeNotewellWindowsUnmanaged() {
    HKEY h = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Notewell.exe\\X11 Driver", 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(h, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    ::RegCloseKey(h);
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(2);
    }
    return true;
}

bool StartProgram(const std::string& program, std::string commandLine, PROCESS_INFORMATION* started) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    *started = PROCESS_INFORMATION{};
    const std::string path = program.find(':') == std::string::npos ? WindowsPath(program) : program;
    return ::CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            started) != FALSE;
}

namespace {
struct DialogSearch {
    DWORD processId;
    const std::function<bool(const std::wstring&)>* take;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND w, LPARAM l) {
    auto* search = reinterpret_cast<DialogSearch*>(l);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid != search->processId || !::IsWindowVisible(w)) return TRUE;
    wchar_t cls[16] = {}, caption[64] = {};
    ::GetClassNameW(w, cls, 16);
    ::GetWindowTextW(w, caption, 64);
    if (std::wstring(cls) == L"#32770" && (*search->take)(caption)) search->found.push_back(w);
    return TRUE;
}
}  // namespace

std::vector<HWND> VisibleDialogs(DWORD processId, const std::function<bool(const std::wstring&)>& take) {
    DialogSearch search{processId, &take, {}};
    ::EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ProcessMemory MemoryOf(HANDLE process) {
    ProcessMemory memory;
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
        memory.privateKb = (pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage) / 1024.0;
        memory.workingSetKb = pmc.WorkingSetSize / 1024.0;
    }
    return memory;
}

long AskTray(HWND tray, WPARAM what) {
    constexpr UINT kCountLiveObjects = WM_APP + 5;  // answered by the tray's main window
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutA(tray, kCountLiveObjects, what, 0, SMTO_NORMAL, 5000, &answer)) return -1;
    return long(answer);
}

std::unique_ptr<devserver::DevServer> StartQuietDevServer() {
    devserver::DevServerOptions options;
    options.logSink = [](const std::string&) {};
    auto server = std::make_unique<devserver::DevServer>(options);
    if (server->Start()) return server;
    std::printf("cannot listen on 5210\n");
    return nullptr;
}

bool StartLoggedInNotewell(devserver::DevServer& server, const std::string& program, const std::string& member,
                           PROCESS_INFORMATION* started, HWND* tray) {
    *tray = nullptr;
    if (!StartProgram(program, "Notewell.exe " + member + "/pw/M/sess/127.0.0.1", started)) {
        std::printf("cannot start %s\n", program.c_str());
        return false;
    }
    if (server.WaitForLogin(member, 15000) &&
        WaitFor([&] { return (*tray = ::FindWindowA(nullptr, "PvxTray")) != nullptr; }, 8000))
        return true;
    std::printf("Notewell did not log in\n");
    return false;
}

void EndNotewell(HWND tray, PROCESS_INFORMATION& started) {
    if (tray) ::SendMessageTimeoutA(tray, WM_TRAY_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    if (started.hProcess && ::WaitForSingleObject(started.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(started.hProcess, 1);
    if (started.hProcess) ::CloseHandle(started.hProcess);
    if (started.hThread) ::CloseHandle(started.hThread);
    started = PROCESS_INFORMATION{};
}

}  // namespace bench
