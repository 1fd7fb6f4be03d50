// ControlContainer: hosts ActiveX controls in a window the way the
// service's page does, driven from the command line or a script (see
// host_script.h). Prints what `get` reads; the exit code is 0 when every
// step succeeded.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <urlmon.h>

#include "host_runner.h"
#include "ole_text.h"

namespace {

const wchar_t kWindowClass[] = L"CorvalaControlContainer";

LRESULT CALLBACK ContainerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void PrintLine(FILE* to, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

bool ReadUtf8File(const std::wstring& path, std::wstring* text) {
    std::ifstream in(Utf8FromWide(path), std::ios::binary);
    if (!in) {
        // The C runtime opens ANSI names; a Unicode name goes through the system.
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        std::string bytes;
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
        ::CloseHandle(file);
        *text = WideFromUtf8(bytes);
        return true;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *text = WideFromUtf8(bytes);
    return true;
}

const char kUsage[] =
    "usage: ControlContainer PROGID [--param NAME=VALUE]... [--size W,H] [--activate] [--set NAME=VALUE]...\n"
    "       [--set-text NAME=VALUE] [--get NAME] [--wait MS] [--script FILE] [--close]\n"
    "       [PROGID ...]... [--stay] [--title TEXT] [--at X,Y] [--url ADDRESS] [--keep-going]";

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < argc; ++i) args.emplace_back(argv[i]);
    if (argv) ::LocalFree(argv);

    HostOptions options;
    std::wstring error;
    if (args.empty() || !ParseHostArguments(args, &ReadUtf8File, &options, &error)) {
        if (!error.empty()) PrintLine(stderr, Utf8FromWide(error));
        PrintLine(stderr, kUsage);
        return 2;
    }

    if (FAILED(::OleInitialize(nullptr))) {
        PrintLine(stderr, "OleInitialize failed");
        return 1;
    }
    if (!options.pageUrl.empty()) {
        // The page's address reaches the controls as a URL moniker: one that
        // cannot be made would leave them without a page, as in a program.
        IMoniker* moniker = nullptr;
        if (FAILED(::CreateURLMonikerEx(nullptr, options.pageUrl.c_str(), &moniker, URL_MK_UNIFORM)) || !moniker) {
            PrintLine(stderr, "--url: not an address a page can have: " + Utf8FromWide(options.pageUrl));
            ::OleUninitialize();
            return 2;
        }
        moniker->Release();
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ContainerWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc);
    HWND window = ::CreateWindowExW(0, kWindowClass, options.title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                    options.placed ? options.x : CW_USEDEFAULT, options.placed ? options.y : CW_USEDEFAULT,
                                    320, 160, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) {
        PrintLine(stderr, "cannot create the container window");
        ::OleUninitialize();
        return 1;
    }
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);

    bool ok;
    {
        const RECT position = {8, 8, 208, 68};
        CHostRunner runner(window, position, [](const std::string& s) { PrintLine(stdout, s); },
                           [](const std::string& s) { PrintLine(stderr, s); });
        runner.SetPageAddress(options.pageUrl);
        ok = runner.Run(options.actions, options.keepGoing);
        if (ok && options.stay) {
            MSG msg;
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            window = nullptr;  // closed by the user
        }
        runner.CloseAll();
    }
    if (window) ::DestroyWindow(window);
    ::OleUninitialize();
    return ok ? 0 : 1;
}
