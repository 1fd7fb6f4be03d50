// Shows the member list control as a page does, connected to a server, and
// puts it into one state to be looked at or photographed: a list mode, a
// sort by header clicks, a selected row, the context menu open. Prints the
// page window's screen rectangle and "ready" once the rows are in, then
// keeps running until it is ended. A tool, not part of the product.
//
//   rosterly_showcase SERVERIP SEX [label=VALUE] [buddy=VALUE] [click=COLUMN]...
//                     [select=ROW] [menu] [rows=N]
//
// label= and buddy= set TextLabel and TextBuddy as page script does; click=
// clicks a header item (twice for descending); rows= is how many rows to
// wait for (default: until the count holds still for half a second).
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "control_host.h"
#include "message_box.h"
#include "ole_factory.h"
#include "ole_text.h"
#include "popup_menu_seam.h"
#include "rosterly_ctrl.h"

namespace {

using Clock = std::chrono::steady_clock;

void PumpFor(DWORD ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Waits for `wanted` rows, or (0) until the count has held still a while.
void WaitForRows(CRosterlyCtrl* c, int wanted) {
    int last = -1;
    auto stableSince = Clock::now();
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(15)) {
        PumpFor(50);
        const int now = c->RowCount();
        if (wanted > 0 && now >= wanted) break;
        if (now != last) {
            last = now;
            stableSince = Clock::now();
        } else if (wanted == 0 && now > 0 && Clock::now() - stableSince > std::chrono::milliseconds(500)) {
            break;
        }
    }
}

// A click on a header item as the viewer makes it.
void ClickHeader(CRosterlyCtrl* c, int column) {
    HWND header = reinterpret_cast<HWND>(::SendMessageA(c->m_hWnd, LVM_GETHEADER, 0, 0));
    RECT rc{};
    ::SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rc));
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(header, WM_LBUTTONUP, 0, at);
    PumpFor(100);
}

bool Starts(const char* arg, const char* prefix, const char** rest) {
    const size_t n = std::strlen(prefix);
    if (std::strncmp(arg, prefix, n) != 0) return false;
    *rest = arg + n;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: rosterly_showcase SERVERIP SEX [label=V] [buddy=V] [click=COL]... [select=ROW] "
                             "[menu] [rows=N]\n");
        return 2;
    }
    ::OleInitialize(nullptr);
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(1, 1), &wsa);
    SetMessageBoxHandler([](const MessageBoxRequest& r) {
        std::printf("message box: %s\n", r.text.c_str());
        std::fflush(stdout);
        return IDOK;
    });
    // The real menu, with its items' ids and states told first (the texts
    // are code page 949 and would not read on the host's terminal).
    SetPopupMenuHandler([](const PopupMenuRequest& r) {
        for (int i = 0; i < ::GetMenuItemCount(r.menu); ++i) {
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STATE | MIIM_ID | MIIM_FTYPE;
            ::GetMenuItemInfoA(r.menu, i, TRUE, &info);
            std::printf("menu item %d id %u type %#x state %#x%s\n", i, info.wID, info.fType, info.fState,
                        (info.fState & MFS_DISABLED) ? " (disabled)" : "");
        }
        std::fflush(stdout);
        ::TrackPopupMenu(r.menu, r.flags, r.x, r.y, 0, r.owner, nullptr);
        return 0u;
    });
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "RosterlyShowcasePage";
    ::RegisterClassA(&wc);
    // The page: the control fills it, 880 by 480 as the service's page embeds it.
    RECT frame = {0, 0, 880, 480};
    ::AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND page = ::CreateWindowExA(0, wc.lpszClassName, "Rosterly", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                                  0, 0, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  wc.hInstance, nullptr);

    auto host = std::make_unique<CControlHost>();
    IUnknown* object = nullptr;
    CreateComObject<CRosterlyCtrl>(IID_IUnknown, reinterpret_cast<void**>(&object));
    auto* c = static_cast<CRosterlyCtrl*>(static_cast<IOleObject*>(object));
    host->Attach(object);
    object->Release();
    host->SetParam(L"SERVERIP", WideFromUtf8(argv[1]));
    host->SetParam(L"SEX", WideFromUtf8(argv[2]));
    host->SetParam(L"ID", L"demo");
    host->SetParam(L"PWD", L"pw");
    const RECT position = {0, 0, 880, 480};
    host->Load(page, position);
    host->Activate();

    int rows = 0;
    int select = -1;
    bool menu = false;
    std::vector<const char*> steps;
    for (int i = 3; i < argc; ++i) {
        const char* rest = nullptr;
        if (Starts(argv[i], "rows=", &rest))
            rows = std::atoi(rest);
        else if (Starts(argv[i], "select=", &rest))
            select = std::atoi(rest);
        else if (std::strcmp(argv[i], "menu") == 0)
            menu = true;
        else
            steps.push_back(argv[i]);
    }
    WaitForRows(c, 0);
    for (const char* step : steps) {
        const char* rest = nullptr;
        if (Starts(step, "label=", &rest)) {
            c->SetTextLabel(rest);
            WaitForRows(c, rows);
        } else if (Starts(step, "buddy=", &rest)) {
            c->SetTextBuddy(rest);
            WaitForRows(c, rows);
        } else if (Starts(step, "click=", &rest)) {
            ClickHeader(c, std::atoi(rest));
        }
    }
    ::SetFocus(c->m_hWnd);
    if (select >= 0) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(c->m_hWnd, LVM_SETITEMSTATE, select, reinterpret_cast<LPARAM>(&state));
    }
    PumpFor(300);
    RECT shown{};
    ::GetWindowRect(page, &shown);
    std::printf("rows %d\nrect %ld %ld %ld %ld\nready\n", c->RowCount(), shown.left, shown.top,
                shown.right - shown.left, shown.bottom - shown.top);
    std::fflush(stdout);
    if (menu && select >= 0) {
        RECT row{};
        row.left = LVIR_BOUNDS;
        ::SendMessageA(c->m_hWnd, LVM_GETITEMRECT, select, reinterpret_cast<LPARAM>(&row));
        POINT at = {row.left + 150, (row.top + row.bottom) / 2};
        ::ClientToScreen(c->m_hWnd, &at);
        c->OpenContextMenu(at.x, at.y);  // the menu's own loop runs until the process is ended
    }
    for (;;) PumpFor(1000);
}
