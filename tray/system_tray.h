// CSystemTray: Notewell's one icon in the notification area, its tooltip and
// its right-button menu. The shell calls and the menu go through one seam so
// that tests can observe them and pick a command.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>

#include "wnd.h"

struct TrayShellSeam {
    // Shell_NotifyIconW(message, data).
    std::function<BOOL(DWORD message, const NOTIFYICONDATAW& data)> notifyIcon;
    // TrackPopupMenu(menu, flags, x, y, owner); the chosen command reaches the
    // owner as WM_COMMAND, as with the real menu.
    std::function<BOOL(HMENU menu, UINT flags, int x, int y, HWND owner)> trackMenu;
};
// Installs the seam (empty members use the real calls); returns the previous one.
TrayShellSeam SetTrayShellSeam(TrayShellSeam seam);

class CSystemTray : public CWnd {
public:
    static constexpr char kRuntimeClassName[] = "CSystemTray";

    CSystemTray() = default;
    ~CSystemTray() override;

    // Adds the icon; owner null makes the tray's own hidden window receive the
    // callback message. Returns whether the shell accepted the icon.
    bool Create(CWnd* owner, UINT callbackMessage, const char* tooltip, HICON icon, UINT iconId);
    bool SetIcon(UINT iconResourceId);
    bool SetIcon(HICON icon);
    void RemoveIcon();
    // A callback message forwarded by the owner: 0 when wParam is not this
    // icon's id, else 1; right-button-up shows the menu.
    virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

    bool IsEnabled() const { return enabled; }
    const NOTIFYICONDATAW& IconData() const { return iconData; }

    UINT defaultMenuItem = 0;         // shown bold
    bool defaultItemByPosition = true;

private:
    bool CreateHiddenWindow();
    static LRESULT CALLBACK HiddenWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

    bool enabled = false;
    NOTIFYICONDATAW iconData{};
    HWND menuOwner = nullptr;
};
