// A long run of the member list control, measured: 20 rounds of a whole list
// of women through the socket followed by a switch to the men's list (the
// rows are cleared). Each round prints the process's memory, its handles and
// what the control holds; a sound control ends every round where the second
// ended. Prints figures. Run it under wine against a dev server whose list
// holds the women (e.g. the script line "list fill 5000 sex=F prefix=f"):
//   wine rosterly_soak.exe [--server 127.0.0.1] [--rounds 20] [--members 5000]
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "control_host.h"
#include "message_box.h"
#include "ole_factory.h"
#include "rosterly_ctrl.h"

namespace {

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

void PumpFor(DWORD ms) {
    const DWORD until = ::GetTickCount() + ms;
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (static_cast<LONG>(::GetTickCount() - until) < 0);
}

bool PumpUntil(CRosterlyCtrl* c, int rows, DWORD ms) {
    const DWORD until = ::GetTickCount() + ms;
    while (c->RowCount() != rows) {
        if (static_cast<LONG>(::GetTickCount() - until) >= 0) return false;
        PumpFor(5);
    }
    return true;
}

struct Figures {
    SIZE_T workingSetKb = 0;
    SIZE_T privateKb = 0;
    DWORD handles = 0;
    DWORD gdi = 0;
    DWORD user = 0;
};

Figures Measure() {
    Figures f;
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc)) {
        f.workingSetKb = pmc.WorkingSetSize / 1024;
        f.privateKb = pmc.PagefileUsage / 1024;
    }
    ::GetProcessHandleCount(::GetCurrentProcess(), &f.handles);
    f.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);  // 0 under wine
    f.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    return f;
}

// Windows of this thread: the control's own and every helper window it makes.
BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}
BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    ::EnumChildWindows(window, &CountChild, count);
    return TRUE;
}
int ThreadWindows() {
    int n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    std::string server = "127.0.0.1";
    int rounds = 20, members = 5000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--server")) server = argv[++i];
        else if (!std::strcmp(argv[i], "--rounds")) rounds = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--members")) members = std::atoi(argv[++i]);
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // figures as they come, also into a pipe
    ::OleInitialize(nullptr);
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(1, 1), &wsa);
    int boxes = 0;
    SetMessageBoxHandler([&](const MessageBoxRequest&) { return ++boxes, IDOK; });
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "RosterlySoakPage";
    ::RegisterClassA(&wc);
    HWND page = ::CreateWindowExA(0, wc.lpszClassName, "Rosterly soak", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900,
                                  520, nullptr, nullptr, wc.hInstance, nullptr);

    CControlHost host;
    IUnknown* object = nullptr;
    CreateComObject<CRosterlyCtrl>(IID_IUnknown, reinterpret_cast<void**>(&object));
    auto* control = static_cast<CRosterlyCtrl*>(static_cast<IOleObject*>(object));
    host.Attach(object);
    object->Release();
    host.SetParam(L"SEX", L"man");
    host.SetParam(L"ID", L"soak");
    host.SetParam(L"PWD", L"pw");
    host.SetParam(L"SERVERIP", std::wstring(server.begin(), server.end()));
    const RECT position = {0, 0, 880, 480};
    host.Load(page, position);
    host.Activate();

    std::printf("Rosterly soak: %d rounds of %d women listed, then the men's list (rows cleared)\n\n", rounds, members);
    std::printf("%5s | %8s %8s | %12s %12s %8s %8s %9s | %5s\n", "round", "list ms", "rows", "working KB",
                "private KB", "handles", "windows", "gdi/user", "boxes");
    Figures second{};
    int secondWindows = 0;
    Figures last{};
    int lastWindows = 0;
    for (int round = 1; round <= rounds; ++round) {
        const auto t = Clock::now();
        if (round > 1) control->SetTextLabel("man");  // the women's list again
        const bool listed = PumpUntil(control, members, 60000);
        const double ms = MsSince(t);
        const int rows = control->RowCount();
        control->SetTextLabel("woman");  // cleared; the server lists no men
        PumpUntil(control, 0, 5000);
        PumpFor(300);
        last = Measure();
        lastWindows = ThreadWindows();
        std::printf("%5d | %8.0f %8d | %12lu %12lu %8lu %8d %4lu/%-4lu | %5d%s\n", round, ms, rows,
                    static_cast<unsigned long>(last.workingSetKb), static_cast<unsigned long>(last.privateKb),
                    static_cast<unsigned long>(last.handles), lastWindows, static_cast<unsigned long>(last.gdi),
                    static_cast<unsigned long>(last.user), boxes, listed ? "" : "  (list incomplete)");
        if (round == 2) {
            second = last;
            secondWindows = lastWindows;
        }
    }
    if (rounds >= 2)
        std::printf("\nLast round against the second: private %+ld KB, working set %+ld KB, handles %+ld, windows %+d\n",
                    static_cast<long>(last.privateKb) - static_cast<long>(second.privateKb),
                    static_cast<long>(last.workingSetKb) - static_cast<long>(second.workingSetKb),
                    static_cast<long>(last.handles) - static_cast<long>(second.handles), lastWindows - secondWindows);
    host.Close();
    PumpFor(100);
    ::DestroyWindow(page);
    ::OleUninitialize();
    return 0;
}
