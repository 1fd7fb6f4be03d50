// The notification-area icon and its menu, through the tray shell seam.
#include "hub_fixture.h"
#include "text_conversion.h"
#include "tray_messages.h"

namespace hub {
namespace {

struct MenuItem {
    UINT id;
    std::string text;
    bool separator;
    bool isDefault;
};

std::vector<MenuItem> ReadMenu(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 128;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back({info.wID, Utf8FromWide(text), (info.fType & MFT_SEPARATOR) != 0, (info.fState & MFS_DEFAULT) != 0});
    }
    return items;
}

class TrayIconTest : public HubTest {
protected:
    LRESULT Notify(WPARAM iconId, LPARAM mouse) { return ::SendMessageA(window, WM_TRAY_ICON_NOTIFY, iconId, mouse); }
};

TEST_F(TrayIconTest, IconIsAddedWithItsTooltipAndCallbackThenGivenItsPicture) {
    OpenUnconnected();
    ASSERT_EQ(notifyCalls.size(), 2u);
    const NOTIFYICONDATAW& add = notifyCalls[0].data;
    EXPECT_EQ(notifyCalls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE));
    EXPECT_EQ(add.hWnd, window);
    EXPECT_EQ(add.uID, 129u);
    EXPECT_EQ(add.uCallbackMessage, 1034u);
    EXPECT_EQ(add.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_STREQ(add.szTip, L"Corvala");
    EXPECT_EQ(notifyCalls[1].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(notifyCalls[1].data.uFlags, static_cast<UINT>(NIF_ICON));
    EXPECT_NE(notifyCalls[1].data.hIcon, nullptr);
    EXPECT_TRUE(dlg->trayIcon.IsEnabled());
}

TEST_F(TrayIconTest, RightButtonShowsTheMenuWithItsBoldFirstItem) {
    OpenUnconnected();
    std::vector<MenuItem> shown;
    POINT at{-1, -1};
    onMenu = [&](HMENU menu, UINT flags, int x, int y, HWND owner) {
        shown = ReadMenu(menu);
        at = POINT{x, y};
        EXPECT_EQ(owner, window);
        EXPECT_EQ(flags, static_cast<UINT>(TPM_LEFTALIGN | TPM_LEFTBUTTON));
        return TRUE;
    };
    // At the cursor, wherever it is.
    ::SetCursorPos(321, 123);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    EXPECT_EQ(Notify(129, WM_RBUTTONUP), 1);
    EXPECT_EQ(at.x, cursor.x);
    EXPECT_EQ(at.y, cursor.y);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0].text, "Corvala Ver4.5");
    EXPECT_TRUE(shown[0].isDefault);
    EXPECT_TRUE(shown[1].separator);
    EXPECT_EQ(shown[2].id, static_cast<UINT>(ID_TRAY_SITE));
    EXPECT_EQ(shown[2].text, CORVALA_WEB_HOST);
    EXPECT_TRUE(shown[3].separator);
    EXPECT_EQ(shown[4].id, static_cast<UINT>(ID_TRAY_EXIT));
    EXPECT_EQ(shown[4].text, "종료하기");
}

TEST_F(TrayIconTest, DoubleClicksAndOtherIconsAreIgnored) {
    OpenUnconnected();
    int menus = 0;
    onMenu = [&](HMENU, UINT, int, int, HWND) { return ++menus, TRUE; };
    EXPECT_EQ(Notify(129, WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(Notify(130, WM_RBUTTONUP), 0);
    EXPECT_EQ(Notify(129, WM_LBUTTONDOWN), 1);
    EXPECT_EQ(menus, 0);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(TrayIconTest, MenuCommandsVersionSiteAndExit) {
    OpenUnconnected();
    ::SendMessageA(window, WM_COMMAND, ID_TRAY_VERSION, 0);
    EXPECT_FALSE(Ended());
    EXPECT_TRUE(shellOpens.empty());

    ::SendMessageA(window, WM_COMMAND, ID_TRAY_SITE, 0);
    ASSERT_EQ(shellOpens.size(), 1u);
    EXPECT_EQ(shellOpens[0].verb, "open");
    EXPECT_EQ(shellOpens[0].file, "iexplore.exe");
    EXPECT_EQ(shellOpens[0].parameters, std::string(CORVALA_WEB_HOST) + "/beta");
    EXPECT_EQ(shellOpens[0].show, SW_SHOW);

    // The chosen command reaches the main window as the real menu would send it.
    onMenu = [&](HMENU, UINT, int, int, HWND owner) {
        return ::PostMessageA(owner, WM_COMMAND, ID_TRAY_EXIT, 0);
    };
    Notify(129, WM_RBUTTONUP);
    EXPECT_TRUE(testing_support::PumpUntil([&] { return Ended(); }, 2000));
    dlg.reset();
    ASSERT_EQ(notifyCalls.size(), 3u);
    EXPECT_EQ(notifyCalls[2].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(notifyCalls[2].data.uID, 129u);
}

TEST(SystemTray, WithoutAnOwnerItsHiddenWindowTakesTheCallback) {
    std::vector<NotifyCall> calls;
    int menus = 0;
    TrayShellSeam previous = SetTrayShellSeam(TrayShellSeam{
        [&](DWORD message, const NOTIFYICONDATAW& data) { return calls.push_back({message, data}), TRUE; },
        [&](HMENU, UINT, int, int, HWND) { return ++menus, TRUE; }});
    {
        CSystemTray tray;
        ASSERT_TRUE(tray.Create(nullptr, WM_APP + 9, std::string(80, 'x').c_str(), nullptr, 7));
        EXPECT_EQ(calls[0].data.hWnd, tray.GetSafeHwnd());
        EXPECT_EQ(std::wstring(calls[0].data.szTip), std::wstring(63, L'x'));
        EXPECT_EQ(::SendMessageA(tray.GetSafeHwnd(), WM_APP + 9, 7, WM_RBUTTONUP), 1);
        EXPECT_EQ(menus, 1);
        tray.RemoveIcon();
    }
    // The destructor's second removal does nothing.
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_DELETE));
    SetTrayShellSeam(previous);
}

TEST(SystemTray, RefusedIconStaysDisabled) {
    int calls = 0;
    TrayShellSeam previous = SetTrayShellSeam(TrayShellSeam{
        [&](DWORD, const NOTIFYICONDATAW&) { return ++calls, FALSE; }, nullptr});
    CSystemTray tray;
    EXPECT_FALSE(tray.Create(nullptr, WM_APP + 9, "tip", nullptr, 7));
    EXPECT_FALSE(tray.SetIcon(static_cast<HICON>(nullptr)));
    tray.RemoveIcon();
    EXPECT_EQ(calls, 1);
    SetTrayShellSeam(previous);
}

}  // namespace
}  // namespace hub
