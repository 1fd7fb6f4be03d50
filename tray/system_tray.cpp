#include "system_tray.h"

#include <cstring>
#include <mutex>
#include <string>

#include "app.h"
#include "res/resource.h"
#include "text_conversion.h"

namespace {
std::mutex g_seamMutex;
TrayShellSeam g_seam;

TrayShellSeam CurrentSeam() {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    return g_seam;
}

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW& data) {
    const TrayShellSeam seam = CurrentSeam();
    if (seam.notifyIcon) return seam.notifyIcon(message, data);
    return ::Shell_NotifyIconW(message, &data);
}

BOOL TrackMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    const TrayShellSeam seam = CurrentSeam();
    if (seam.trackMenu) return seam.trackMenu(menu, flags, x, y, owner);
    return ::TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
}

const wchar_t kHiddenWindowClass[] = L"CorvalaSystemTrayWnd";
const char kTrayProp[] = "CorvalaSystemTray";
}  // namespace

TrayShellSeam SetTrayShellSeam(TrayShellSeam seam) {
    std::lock_guard<std::mutex> lock(g_seamMutex);
    TrayShellSeam previous = std::move(g_seam);
    g_seam = std::move(seam);
    return previous;
}

CSystemTray::~CSystemTray() {
    RemoveIcon();
    if (m_hWnd) {
        ::RemovePropA(m_hWnd, kTrayProp);
        ::DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
}

bool CSystemTray::CreateHiddenWindow() {
    if (m_hWnd) return true;
    const HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSW wc{};
    if (!::GetClassInfoW(instance, kHiddenWindowClass, &wc)) {
        wc.lpfnWndProc = &CSystemTray::HiddenWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kHiddenWindowClass;
        if (!::RegisterClassW(&wc)) return false;
    }
    m_hWnd = ::CreateWindowExW(0, kHiddenWindowClass, L"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, 10, 10,
                               nullptr, nullptr, instance, nullptr);
    if (!m_hWnd) return false;
    ::SetPropA(m_hWnd, kTrayProp, this);
    return true;
}

// Without an owner the callback message comes here.
LRESULT CALLBACK CSystemTray::HiddenWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* tray = static_cast<CSystemTray*>(::GetPropA(hwnd, kTrayProp));
    if (tray && tray->iconData.hWnd == hwnd && msg == tray->iconData.uCallbackMessage)
        return tray->OnTrayNotification(w, l);
    return ::DefWindowProcW(hwnd, msg, w, l);
}

bool CSystemTray::Create(CWnd* owner, UINT callbackMessage, const char* tooltip, HICON icon, UINT iconId) {
    // Notification-area icons need Windows 95 / NT 4 or later.
    if (LOBYTE(LOWORD(::GetVersion())) < 4) {
        enabled = false;
        return false;
    }
    CreateHiddenWindow();
    std::memset(&iconData, 0, sizeof iconData);
    iconData.cbSize = NOTIFYICONDATAW_V1_SIZE;
    iconData.hWnd = owner && owner->GetSafeHwnd() ? owner->GetSafeHwnd() : m_hWnd;
    iconData.uID = iconId;
    iconData.hIcon = icon;
    iconData.uCallbackMessage = callbackMessage;
    iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // The version-1 record holds 63 characters and the terminator; never half a pair.
    std::wstring tip = WideFromUtf8(tooltip ? tooltip : "");
    if (tip.size() > 63) tip.resize(63);
    if (!tip.empty() && tip.back() >= 0xD800 && tip.back() <= 0xDBFF) tip.pop_back();
    tip.copy(iconData.szTip, tip.size());
    iconData.szTip[tip.size()] = 0;
    menuOwner = iconData.hWnd;
    enabled = NotifyIcon(NIM_ADD, iconData) != FALSE;
    return enabled;
}

bool CSystemTray::SetIcon(UINT iconResourceId) {
    return SetIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(iconResourceId)));
}

bool CSystemTray::SetIcon(HICON icon) {
    if (!enabled) return false;
    iconData.uFlags = NIF_ICON;
    iconData.hIcon = icon;
    return NotifyIcon(NIM_MODIFY, iconData) != FALSE;
}

void CSystemTray::RemoveIcon() {
    if (!enabled) return;
    iconData.uFlags = 0;
    NotifyIcon(NIM_DELETE, iconData);
    enabled = false;
}

LRESULT CSystemTray::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
    if (wParam != iconData.uID) return 0;
    if (LOWORD(lParam) != WM_RBUTTONUP) return 1;
    HMENU menu = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_TRAY_MENU));
    if (!menu) return 0;
    HMENU submenu = ::GetSubMenu(menu, 0);
    if (!submenu) {
        ::DestroyMenu(menu);
        return 0;
    }
    ::SetMenuDefaultItem(submenu, defaultMenuItem, defaultItemByPosition ? TRUE : FALSE);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(menuOwner);
    TrackMenu(submenu, TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, menuOwner);
    ::PostMessageA(menuOwner, WM_NULL, 0, 0);
    ::DestroyMenu(menu);
    return 1;
}
