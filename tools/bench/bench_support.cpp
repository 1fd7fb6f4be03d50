#include "bench_support.h"

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

}  // namespace bench
