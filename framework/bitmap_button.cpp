#include "bitmap_button.h"

const MsgMap* CButton::GetThisMessageMap() {
    static const MsgMapEntry entries[] = {{0, 0, nullptr}};
    static const MsgMap map = {&CControlWnd::GetThisMessageMap, entries};
    return &map;
}

BOOL CBitmapButton::LoadBitmaps(UINT normal, UINT selected, UINT focus, UINT disabled) {
    normalImage.DeleteObject();
    selectedImage.DeleteObject();
    focusImage.DeleteObject();
    disabledImage.DeleteObject();
    if (!normalImage.LoadBitmap(normal)) return FALSE;
    if (selected) selectedImage.LoadBitmap(selected);
    if (focus) focusImage.LoadBitmap(focus);
    if (disabled) disabledImage.LoadBitmap(disabled);
    return TRUE;
}

void CBitmapButton::SizeToContent() {
    const SIZE size = normalImage.GetSize();
    if (!m_hWnd || size.cx <= 0 || size.cy <= 0) return;
    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CBitmapButton::OnChildNotify(UINT msg, WPARAM, LPARAM l, LRESULT* result) {
    if (msg != WM_DRAWITEM) return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
    *result = TRUE;
    return true;
}

void CBitmapButton::DrawItem(const DRAWITEMSTRUCT& item) {
    const CBitmap* image = &normalImage;
    if ((item.itemState & ODS_SELECTED) && selectedImage.GetSafeHandle()) image = &selectedImage;
    else if ((item.itemState & ODS_FOCUS) && focusImage.GetSafeHandle()) image = &focusImage;
    else if ((item.itemState & ODS_DISABLED) && disabledImage.GetSafeHandle()) image = &disabledImage;
    if (!image->GetSafeHandle()) return;
    HDC memory = ::CreateCompatibleDC(item.hDC);
    if (!memory) return;
    HGDIOBJ previous = ::SelectObject(memory, image->GetSafeHandle());
    const RECT& r = item.rcItem;
    ::BitBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
}
