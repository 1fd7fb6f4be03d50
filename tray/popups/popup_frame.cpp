#include "popup_frame.h"

#include <atomic>
#include <vector>

#include "tray_main_dlg.h"
#include "res/resource.h"
#include "text_conversion.h"

BEGIN_MESSAGE_MAP(CTrayPopup, CDialog)
    ON_MESSAGE(WM_DRAWITEM, &CTrayPopup::OnDrawItem)
    ON_MESSAGE(WM_CTLCOLORSTATIC, &CTrayPopup::OnCtlColor)
    ON_MESSAGE(WM_CTLCOLOREDIT, &CTrayPopup::OnCtlColor)
    ON_MESSAGE(WM_CTLCOLORDLG, &CTrayPopup::OnCtlColorDlg)
    ON_MESSAGE(WM_ERASEBKGND, &CTrayPopup::OnEraseBkgnd)
    ON_MESSAGE(WM_SETCURSOR, &CTrayPopup::OnSetCursor)
END_MESSAGE_MAP()

namespace {
std::atomic<long> g_livePopups{0};
}  // namespace

CTrayPopup::CTrayPopup(CTrayMainDlg& main, UINT templateId) : CDialog(templateId), main(main) { ++g_livePopups; }

CTrayPopup::~CTrayPopup() { --g_livePopups; }

long CTrayPopup::LiveObjects() { return g_livePopups.load(); }

bool CTrayPopup::Open(UINT templateId) {
    creating = true;
    const bool made = Create(templateId, nullptr) && m_hWnd;
    creating = false;
    if (!made) return false;
    AdoptSkinImage();
    if (closeWhenMade) {  // closed while it was being made: made, and gone at once
        DestroyWindow();
        return true;
    }
    ShowWindow(SW_SHOW);
    if (HWND holder = ::GetDlgItem(m_hWnd, IDC_FOCUS_HOLDER)) ::SetFocus(holder);
    return true;
}

void CTrayPopup::RequestClose(PopupKind kind) {
    ::SendMessageW(main.GetSafeHwnd(), WM_POPUP_CLOSED, CloseKey(), kind);
}

void CTrayPopup::PlaceTopmost(POINT at) {
    SetWindowPos(HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE);
}

void CTrayPopup::SetItemText(int id, const std::string& text) {
    ::SetDlgItemTextW(m_hWnd, id, WideFromUtf8(text).c_str());
}

std::string CTrayPopup::ItemText(int id) const {
    HWND item = ::GetDlgItem(m_hWnd, id);
    if (!item) return std::string();
    const int length = ::GetWindowTextLengthW(item);
    if (length <= 0) return std::string();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int got = ::GetWindowTextW(item, buffer.data(), length + 1);
    return Utf8FromWide(std::wstring_view(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0));
}

// The skin picture loads its bitmap from the template, and not every system
// frees such a bitmap with the control (a 300 x 269 skin is some 320 KB). Set
// back on the control it becomes ours by rule on every system: the popup
// object deletes it, after the window and the control are gone.
void CTrayPopup::AdoptSkinImage() {
    HWND skin = Skin();
    if (!skin) return;
    auto image = reinterpret_cast<HBITMAP>(::SendMessageA(skin, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (!image) return;
    ::SendMessageA(skin, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
    skinImage.Adopt(image);
}

void CTrayPopup::Close() {
    if (!m_hWnd) return;
    if (creating) {
        closeWhenMade = true;
        ShowWindow(SW_HIDE);
        return;
    }
    DestroyWindow();
}

void CTrayPopup::PostNcDestroy() { main.RetirePopup(this); }

// A popup retired while one of its handlers ran is released now.
void CTrayPopup::OnHandlersReturned() {
    if (!m_hWnd) main.ReleaseRetiredPopupsSoon();
}

void CTrayPopup::AddBitmapButton(int itemId, UINT bitmapId) { buttons.Add(*this, itemId, bitmapId); }

void CTrayPopup::MakeFont(CFont& font, bool bold) {
    if (fontHeight == 0) fontHeight = PopupFontHeight();
    CreatePopupFont(font, fontHeight, bold);
}

LRESULT CTrayPopup::OnDrawItem(WPARAM w, LPARAM l) {
    LRESULT result = FALSE;
    buttons.OnDrawItem(w, l, &result);
    return result;
}

LRESULT CTrayPopup::OnCtlColor(WPARAM w, LPARAM l) {
    return reinterpret_cast<LRESULT>(palette.OnCtlColor(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l)));
}

HWND CTrayPopup::Skin() const {
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) return child;
    }
    return nullptr;
}

// Where a skin is a pixel or two smaller than the client area (dialog units
// seldom give its exact size), the popup's ground continues the skin's.
LRESULT CTrayPopup::OnCtlColorDlg(WPARAM, LPARAM) {
    if (!Skin()) return 0;
    if (!groundBrush.GetSafeHandle()) groundBrush.CreateSolidBrush(popup_colour::kSkinGround);
    return reinterpret_cast<LRESULT>(groundBrush.GetSafeHandle());
}

// The popup's own ground is the skin too. The skin picture clips its
// siblings (it lies beneath them and would otherwise paint over them), so
// the labels over it, which have no background of their own, show this.
LRESULT CTrayPopup::OnEraseBkgnd(WPARAM w, LPARAM) {
    HDC dc = reinterpret_cast<HDC>(w);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    HBRUSH ground = reinterpret_cast<HBRUSH>(OnCtlColorDlg(0, 0));
    ::FillRect(dc, &client, ground ? ground : ::GetSysColorBrush(COLOR_3DFACE));
    HWND skin = Skin();
    HBITMAP image = skin ? reinterpret_cast<HBITMAP>(::SendMessageA(skin, STM_GETIMAGE, IMAGE_BITMAP, 0)) : nullptr;
    BITMAP info{};
    if (!image || !::GetObjectA(image, sizeof info, &info)) return TRUE;
    RECT at{};
    ::GetWindowRect(skin, &at);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&at), 2);
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ previous = ::SelectObject(memory, image);
    ::BitBlt(dc, at.left, at.top, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    return TRUE;
}

// Over a bitmap button the hand; elsewhere what the window under the pointer
// would show by itself.
LRESULT CTrayPopup::OnSetCursor(WPARAM w, LPARAM l) {
    if (buttons.SetHandOverButton(main.handCursor)) return TRUE;
    if (reinterpret_cast<HWND>(w) != m_hWnd) return FALSE;
    return ::DefWindowProcW(m_hWnd, WM_SETCURSOR, w, l);
}

namespace {
POINT ToPoint(ScreenPoint p) { return POINT{p.x, p.y}; }
ScreenPoint FromPoint(POINT p) { return ScreenPoint{static_cast<int>(p.x), static_cast<int>(p.y)}; }
}  // namespace

POINT NextChatCascade(POINT& origin) {
    ScreenPoint p = FromPoint(origin);
    origin = ToPoint(NextChatCascade(p));
    return origin;
}

POINT NextNoteCascade(POINT& origin) {
    ScreenPoint p = FromPoint(origin);
    origin = ToPoint(NextNoteCascade(p));
    return origin;
}

POINT NextNoticeCascade(POINT& origin, int openCount) {
    ScreenPoint p = FromPoint(origin);
    origin = ToPoint(NextNoticeCascade(p, openCount));
    return origin;
}
