// CChatNoticeDlg: one line of chat status, gone after four seconds
// (template 153, close kind 5, keyed by its window).
#pragma once
#include <string>

#include "popup_frame.h"

class CChatNoticeDlg : public CTrayPopup {
public:
    explicit CChatNoticeDlg(CTrayMainDlg& main);
    static constexpr UINT kTemplate = 153;
    static constexpr PopupKind kCloseKind = POPUP_CHAT_NOTICE;
    static constexpr UINT_PTR kTimerId = 0;
    // The notice's fonts are the same on every platform.
    static constexpr int kFontHeight = 12;

    // Fill before the window exists.
    void SetText(const std::string& noticeText) { text = noticeText; }
    const std::string& Text() const { return text; }
    WPARAM CloseKey() const override { return reinterpret_cast<WPARAM>(m_hWnd); }

protected:
    BOOL OnInitDialog() override;
    // Hidden at once; still closed on the fourth tick.
    void OnCancel() override { ShowWindow(SW_HIDE); }
    void OnTimer(UINT_PTR id);
    void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    std::string text;
    int ticks = 0;
    CFont textFont, buttonFont;
};
