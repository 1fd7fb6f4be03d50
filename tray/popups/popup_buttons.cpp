#include "popup_buttons.h"

bool PopupButtons::Add(CWnd& popup, int itemId, UINT bitmapId) {
    auto button = std::make_unique<CBitmapButton>();
    if (!button->SubclassDlgItem(static_cast<UINT>(itemId), &popup)) return false;
    if (button->LoadBitmaps(bitmapId)) button->SizeToContent();
    RECT r{};
    ::GetWindowRect(button->m_hWnd, &r);
    rects.push_back(ScreenRect{r.left, r.top, r.right, r.bottom});
    buttons.push_back(std::move(button));
    return true;
}

bool PopupButtons::OnDrawItem(WPARAM w, LPARAM l, LRESULT* result) {
    return ReflectToChild(WM_DRAWITEM, w, l, result);
}

bool PopupButtons::IsOverButton(POINT p) const { return HitsAny(rects, ScreenPoint{p.x, p.y}); }

bool PopupButtons::SetHandOverButton(HCURSOR hand) const {
    POINT p{};
    if (!hand || !::GetCursorPos(&p) || !IsOverButton(p)) return false;
    ::SetCursor(hand);
    return true;
}
