// The bitmap buttons of a popup: each shows one image at the image's size,
// and the hand cursor appears while the pointer is over one of them.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "bitmap_button.h"
#include "popup_placement.h"

class PopupButtons {
public:
    // Takes over the template's button `itemId` and gives it bitmap
    // `bitmapId` (normal image only: the button looks the same in every
    // state) at the bitmap's size; keeps its screen rectangle for the cursor.
    bool Add(CWnd& popup, int itemId, UINT bitmapId);
    // WM_DRAWITEM of the popup.
    bool OnDrawItem(WPARAM w, LPARAM l, LRESULT* result);
    // WM_SETCURSOR of the popup: the hand over a kept rectangle (true), else false.
    bool SetHandOverButton(HCURSOR hand) const;
    bool IsOverButton(POINT screenPoint) const;
    const std::vector<ScreenRect>& Rects() const { return rects; }

private:
    std::vector<std::unique_ptr<CBitmapButton>> buttons;
    // Taken once, at initialisation: the popups open topmost and are seldom moved.
    std::vector<ScreenRect> rects;
};
