// A stand-in for Notewell.exe in the control tests: a hidden main window
// titled "PvxTray" that writes its command line and every message from the
// controls to the file named by FAKE_TRAY_LOG, one line each:
//   start <command line>
//   message <number>
//   copydata <kind> <size> <bytes as hex>
// WM_TRAY_CLOSE ends it; WM_TRAY_CLOSE_ASK ends it when FAKE_TRAY_ASK is "ok".
// It also ends by itself after FAKE_TRAY_LIFETIME_MS (20 s by default).
// FAKE_TRAY_STALL_MS makes it sleep that long before it has a window or takes
// any message: a Notewell that is never ready for input meanwhile.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tray_messages.h"

namespace {

std::string g_logPath;

void Log(const std::string& line) {
    if (g_logPath.empty()) return;
    FILE* f = std::fopen(g_logPath.c_str(), "ab");
    if (!f) return;
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
}

std::string Env(const char* name) {
    char buffer[1024];
    const DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        std::string line = "copydata " + std::to_string(data->dwData) + " " + std::to_string(data->cbData) + " ";
        const auto* bytes = static_cast<const unsigned char*>(data->lpData);
        for (DWORD i = 0; bytes && i < data->cbData && i < 4096; ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
            line += hex;
        }
        Log(line);
        return TRUE;
    }
    case WM_TIMER:
        Log("lifetime over");
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    if (message >= WM_USER && message < WM_APP + 0x100 && message != WM_TIMER) {
        Log("message " + std::to_string(message));
        if (message == WM_TRAY_CLOSE || (message == WM_TRAY_CLOSE_ASK && Env("FAKE_TRAY_ASK") == "ok"))
            ::DestroyWindow(hwnd);
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_logPath = Env("FAKE_TRAY_LOG");
    Log(std::string("start ") + ::GetCommandLineA());
    const std::string stall = Env("FAKE_TRAY_STALL_MS");
    if (!stall.empty()) ::Sleep(static_cast<DWORD>(std::atoi(stall.c_str())));
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TrayProc;
    wc.hInstance = instance;
    wc.lpszClassName = "FakeNotewellWindow";
    ::RegisterClassA(&wc);
    HWND window = ::CreateWindowExA(0, wc.lpszClassName, kTrayWindowTitle, WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                    nullptr, instance, nullptr);
    if (!window) return 1;
    const std::string lifetime = Env("FAKE_TRAY_LIFETIME_MS");
    ::SetTimer(window, 1, lifetime.empty() ? 20000 : static_cast<UINT>(std::atoi(lifetime.c_str())), nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    Log("exit");
    return 0;
}
