// What every popup of Notewell shares: the main window that owns it, how it
// asks to be closed, its place on the screen, and its look: bitmap buttons
// sized to their images, the hand cursor over them, and labels painted over
// the skin. A popup never destroys itself; it sends WM_POPUP_CLOSED and the
// main window destroys the window and releases the object.
#pragma once
#include <windows.h>

#include <string>

#include "popup_buttons.h"
#include "popup_look.h"
#include "dialog.h"
#include "popup_placement.h"
#include "tray_messages.h"

class CTrayMainDlg;

class CTrayPopup : public CDialog {
public:
    CTrayPopup(CTrayMainDlg& main, UINT templateId);
    ~CTrayPopup() override;
    // Popup objects not yet released, over the process.
    static long LiveObjects();

    // Creates the window modeless from the template, with no parent, shows it
    // and gives the focus holder (where the template has one) the keyboard focus.
    bool Open(UINT templateId);
    // wParam this popup sends with WM_POPUP_CLOSED.
    virtual WPARAM CloseKey() const { return 0; }
    // Destroys the window, or, while it is still being made (its
    // initialisation may show a box, under which anything is handled), as
    // soon as it is made: its initialisation never goes on without a window.
    void Close();

protected:
    CTrayMainDlg& Main() const { return main; }
    // Synchronous: when it returns the window is gone, so the caller only returns.
    void RequestClose(PopupKind kind);
    // Topmost, at a point of the screen; never clamped to it.
    void PlaceTopmost(POINT at);
    void SetItemText(int id, const std::string& text);
    std::string ItemText(int id) const;
    // The main window releases the object once its handlers have returned.
    void PostNcDestroy() override;
    void OnHandlersReturned() override;

    // Gives the template's button its bitmap at the bitmap's size; the hand
    // cursor shows over it from then on.
    void AddBitmapButton(int itemId, UINT bitmapId);
    // A "굴림체" font of the platform's popup height; on failure the
    // "CreateFont() Error" box, and the control keeps its default font.
    void MakeFont(CFont& font, bool bold = false);
    PopupPalette palette;

    LRESULT OnDrawItem(WPARAM w, LPARAM l);
    LRESULT OnCtlColor(WPARAM w, LPARAM l);
    LRESULT OnCtlColorDlg(WPARAM w, LPARAM l);
    LRESULT OnEraseBkgnd(WPARAM w, LPARAM l);
    LRESULT OnSetCursor(WPARAM w, LPARAM l);
    DECLARE_MESSAGE_MAP()

private:
    CTrayMainDlg& main;
    // The template's skin picture, or null.
    HWND Skin() const;
    void AdoptSkinImage();
    PopupButtons buttons;
    CBrush groundBrush;
    CBitmap skinImage;  // the skin picture's bitmap, released with the popup
    int fontHeight = 0;  // asked once per initialisation
    bool creating = false;
    bool closeWhenMade = false;
};

// The main window's cascade origins are POINTs.
POINT NextChatCascade(POINT& origin);
POINT NextNoteCascade(POINT& origin);
POINT NextNoticeCascade(POINT& origin, int openCount);

constexpr POINT kFixedPopupPlace = {kFixedPopupPoint.x, kFixedPopupPoint.y};
constexpr POINT kNoteCascadeStart = {kNoteCascadeHome.x, kNoteCascadeHome.y};
