// A stand-in for the external chat program "PVChat.exe", for the launch tests:
// it appends its command line to the file named by PVCHAT_STANDIN_LOG and,
// when PVCHAT_STANDIN_STAY is set, stays running (idle in its message loop)
// until it is terminated.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    if (::GetEnvironmentVariableA("PVCHAT_STANDIN_LOG", path, sizeof path) > 0) {
        if (FILE* f = std::fopen(path, "ab")) {
            std::fprintf(f, "%s\n", ::GetCommandLineA());
            std::fclose(f);
        }
    }
    char stay[8] = {};
    const bool stays = ::GetEnvironmentVariableA("PVCHAT_STANDIN_STAY", stay, sizeof stay) > 0;
    // A message queue and one pass of the loop make the process idle for input.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    if (!stays) return 0;
    HWND window = ::CreateWindowExA(0, "STATIC", "PVChat stand-in", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    (void)window;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    return 0;
}
