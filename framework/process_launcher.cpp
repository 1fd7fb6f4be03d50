#include "process_launcher.h"

#include <mutex>
#include <vector>

#include "text_conversion.h"

namespace {
std::mutex g_mutex;
ProcessLaunchHandler g_handler;

ProcessLaunchResult StartForReal(const std::string& commandLine, DWORD idleLimitMs) {
    ProcessLaunchResult result;
    // CreateProcessW may write into the command line, so it gets a private copy.
    std::wstring line = WideFromUtf8(commandLine);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        result.error = ::GetLastError();
        return result;
    }
    result.started = true;
    const DWORD waited = ::WaitForInputIdle(process.hProcess, idleLimitMs);
    if (waited == 0)
        result.inputIdle = true;
    else if (waited == WAIT_TIMEOUT)
        result.idleTimedOut = true;
    else
        result.error = ::GetLastError();
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return result;
}
}  // namespace

ProcessLaunchResult LaunchProcess(const std::string& commandLine, DWORD idleLimitMs) {
    ProcessLaunchHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_handler;
    }
    if (handler) return handler(commandLine);
    return StartForReal(commandLine, idleLimitMs);
}

ProcessLaunchHandler SetProcessLaunchHandler(ProcessLaunchHandler handler) {
    std::lock_guard<std::mutex> lock(g_mutex);
    ProcessLaunchHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
