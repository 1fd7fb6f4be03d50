// How the popups look beyond their skins: the "굴림체" fonts with the height
// rule of the platform, the colours, and the labels painted over the skin.
#pragma once
#include <windows.h>

#include <functional>
#include <map>

#include "gdi.h"

namespace popup_colour {
constexpr COLORREF kDetails = RGB(241, 101, 34);         // member details, recipient and sender
constexpr COLORREF kCountdownBack = RGB(242, 243, 227);  // behind the countdown number
constexpr COLORREF kReceivedNoteBack = RGB(239, 230, 213);
constexpr COLORREF kSkinGround = RGB(242, 243, 227);     // the skins' ground (tools/make-skins.py)
}  // namespace popup_colour

// 16 pixels on the Windows 95/98/Me family (VER_PLATFORM_WIN32_WINDOWS), 12 elsewhere.
int PopupFontHeightFor(DWORD platformId);
// Asks the system (GetVersionExA) for the popups being opened now.
int PopupFontHeight();

// Creates a "굴림체" font of that height, regular or bold (weight 700). When
// the system refuses, shows "CreateFont() Error" and leaves the font empty,
// so that the control keeps its default font.
bool CreatePopupFont(CFont& font, int height, bool bold);
// A popup's internal failure ("CreateFont() Error", "SubclassDlgItem() Error"):
// an exclamation box with the program's name as caption; the popup goes on.
void ShowPopupError(const char* text);
// Sets the font on a dialog item unless the font is empty.
void SetItemFont(HWND popup, int itemId, const CFont& font);

// Font creation as the popups ask for it; tests replace it to see a refusal.
using PopupFontFactory = std::function<BOOL(CFont& font, int height, int weight, const char* face)>;
PopupFontFactory SetPopupFontFactory(PopupFontFactory factory);

// Colours of a popup's labels and boxes, answered from WM_CTLCOLORSTATIC and
// WM_CTLCOLOREDIT. Items without a style get the dialog's default colours.
class PopupPalette {
public:
    enum class Style {
        OverSkin,         // transparent, default text colour: the skin shows through
        DetailsOverSkin,  // transparent, in the details colour
        Countdown,        // on the countdown colour
        ReceivedNote,     // the received-note box: details colour on beige
    };

    void Set(int itemId, Style style) { styles[itemId] = style; }
    // The brush for the item, after setting up the device context; null when
    // the item keeps the default colours.
    HBRUSH OnCtlColor(HDC dc, HWND item);

private:
    HBRUSH SolidBrush(CBrush& brush, COLORREF colour);
    std::map<int, Style> styles;
    CBrush countdownBrush, receivedNoteBrush;
};
