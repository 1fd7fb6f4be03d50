#include "popup_test_support.h"

#include <cstring>

#include "app.h"
#include "dialog.h"
#include "win_test_support.h"

namespace popup_test {
namespace {
// Before any window exists.
const bool kUnmanagedWindows = testing_support::MakeThisProgramsWindowsUnmanaged();

std::vector<COLORREF> ReadPixels(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> raw(static_cast<size_t>(width) * height);
    if (!::GetDIBits(dc, bitmap, 0, height, raw.data(), &info, DIB_RGB_COLORS)) return {};
    std::vector<COLORREF> out;
    out.reserve(raw.size());
    for (DWORD bgra : raw) out.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
    return out;
}
}  // namespace

std::string ItemText(HWND popup, int itemId) {
    return testing_support::DlgItemTextOf(popup, itemId);
}

std::vector<COLORREF> BitmapPixels(UINT bitmapId) {
    HBITMAP bitmap = ::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(bitmapId));
    if (!bitmap) return {};
    BITMAP b{};
    ::GetObjectA(bitmap, sizeof b, &b);
    HDC dc = ::CreateCompatibleDC(nullptr);
    std::vector<COLORREF> out = ReadPixels(dc, bitmap, b.bmWidth, b.bmHeight);
    ::DeleteDC(dc);
    ::DeleteObject(bitmap);
    return out;
}

std::vector<COLORREF> DrawnPixels(HWND parent, HWND item, int width, int height, UINT state) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ previous = ::SelectObject(dc, picture);
    RECT all{0, 0, width, height};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(::GetDlgCtrlID(item));
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = item;
    dis.hDC = dc;
    dis.rcItem = all;
    ::SendMessageA(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    ::SelectObject(dc, previous);
    std::vector<COLORREF> out = ReadPixels(dc, picture, width, height);
    ::DeleteObject(picture);
    ::DeleteDC(dc);
    return out;
}

std::vector<COLORREF> WindowPixels(HWND window, int* width, int* height) {
    RECT r{};
    ::GetClientRect(window, &r);
    *width = r.right;
    *height = r.bottom;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ previous = ::SelectObject(dc, picture);
    ::PrintWindow(window, dc, PW_CLIENTONLY);
    ::SelectObject(dc, previous);
    std::vector<COLORREF> out = ReadPixels(dc, picture, r.right, r.bottom);
    ::DeleteObject(picture);
    ::DeleteDC(dc);
    return out;
}

bool SetClipboardText(const std::string& ansi) {
    if (!::OpenClipboard(nullptr)) return false;
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, ansi.size() + 1);
    if (!memory) {
        ::CloseClipboard();
        return false;
    }
    std::memcpy(::GlobalLock(memory), ansi.c_str(), ansi.size() + 1);
    ::GlobalUnlock(memory);
    const bool set = ::SetClipboardData(CF_TEXT, memory) != nullptr;
    ::CloseClipboard();
    return set;
}

RECT ChildRect(HWND parent, int itemId) {
    RECT r{};
    HWND item = ::GetDlgItem(parent, itemId);
    if (!item) return r;
    ::GetWindowRect(item, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace popup_test

namespace popup_test {

void PumpAsTheProgram(DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!FilterDialogMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &in, sizeof in);
}

}  // namespace popup_test

namespace popup_test {

std::vector<COLORREF> ScreenPixels(HWND window, int* width, int* height) {
    RECT r{};
    ::GetClientRect(window, &r);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    *width = r.right;
    *height = r.bottom;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ previous = ::SelectObject(dc, picture);
    ::BitBlt(dc, 0, 0, r.right, r.bottom, screen, origin.x, origin.y, SRCCOPY);
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, screen);
    std::vector<COLORREF> out = ReadPixels(dc, picture, r.right, r.bottom);
    ::DeleteObject(picture);
    ::DeleteDC(dc);
    return out;
}

}  // namespace popup_test
