#include "popup_look.h"

#include <mutex>

#include "message_box.h"

namespace {
const char kFaceName[] = "굴림체";
const char kAppCaption[] = "Notewell";
const char kFontErrorText[] = "CreateFont() Error";

std::mutex g_factoryMutex;
PopupFontFactory g_factory;

BOOL CreateRealFont(CFont& font, int height, int weight, const char* face) {
    return font.CreateFont(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, face);
}
}  // namespace

int PopupFontHeightFor(DWORD platformId) { return platformId == VER_PLATFORM_WIN32_WINDOWS ? 16 : 12; }

int PopupFontHeight() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&info)) info.dwPlatformId = VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
    return PopupFontHeightFor(info.dwPlatformId);
}

PopupFontFactory SetPopupFontFactory(PopupFontFactory factory) {
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    PopupFontFactory previous = std::move(g_factory);
    g_factory = std::move(factory);
    return previous;
}

bool CreatePopupFont(CFont& font, int height, bool bold) {
    PopupFontFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryMutex);
        factory = g_factory;
    }
    const int weight = bold ? FW_BOLD : 0;
    const BOOL made = factory ? factory(font, height, weight, kFaceName) : CreateRealFont(font, height, weight, kFaceName);
    if (made && font.GetSafeHandle()) return true;
    font.DeleteObject();
    ShowPopupError(kFontErrorText);
    return false;
}

void ShowPopupError(const char* text) { ShowMessageBox(nullptr, text, kAppCaption, MB_OK | MB_ICONEXCLAMATION); }

void SetItemFont(HWND popup, int itemId, const CFont& font) {
    if (!font.GetSafeHandle()) return;
    ::SendDlgItemMessageA(popup, itemId, WM_SETFONT, reinterpret_cast<WPARAM>(font.GetSafeHandle()), TRUE);
}

HBRUSH PopupPalette::SolidBrush(CBrush& brush, COLORREF colour) {
    if (!brush.GetSafeHandle()) brush.CreateSolidBrush(colour);
    return brush;
}

HBRUSH PopupPalette::OnCtlColor(HDC dc, HWND item) {
    const auto found = styles.find(::GetDlgCtrlID(item));
    if (found == styles.end()) return nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    switch (found->second) {
    case Style::OverSkin:
        return static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH));
    case Style::DetailsOverSkin:
        ::SetTextColor(dc, popup_colour::kDetails);
        return static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH));
    case Style::Countdown:
        return SolidBrush(countdownBrush, popup_colour::kCountdownBack);
    case Style::ReceivedNote:
        ::SetTextColor(dc, popup_colour::kDetails);
        return SolidBrush(receivedNoteBrush, popup_colour::kReceivedNoteBack);
    }
    return nullptr;
}
