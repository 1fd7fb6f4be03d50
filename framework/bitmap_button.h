// CBitmapButton: an owner-drawn button (BS_OWNERDRAW) showing bitmaps instead
// of a face. Its parent passes WM_DRAWITEM on with ReflectToChild.
#pragma once
#include "control_wnd.h"
#include "gdi.h"

class CButton : public CControlWnd {
protected:
    static const MsgMap* GetThisMessageMap();
    const MsgMap* GetMessageMap() const override { return GetThisMessageMap(); }
};

class CBitmapButton : public CButton {
public:
    // Bitmap resources for the normal, pressed, focused and disabled looks;
    // 0 leaves a look out, and a missing look is drawn with the normal image.
    // False when the normal image cannot be loaded.
    BOOL LoadBitmaps(UINT normal, UINT selected = 0, UINT focus = 0, UINT disabled = 0);
    // The button takes the normal image's size at its place.
    void SizeToContent();

    bool OnChildNotify(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

protected:
    virtual void DrawItem(const DRAWITEMSTRUCT& item);
    CBitmap normalImage, selectedImage, focusImage, disabledImage;
};
