// CNoteToAllDlg: writes one note to all male members (template 147, close kind 4).
#pragma once
#include "limit_edit.h"
#include "popup_frame.h"

class CNoteToAllDlg : public CTrayPopup {
public:
    explicit CNoteToAllDlg(CTrayMainDlg& main);
    static constexpr UINT kTemplate = 147;
    static constexpr PopupKind kCloseKind = POPUP_NOTE_TO_ALL;

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override { RequestClose(kCloseKind); }
    void OnSend();
    LRESULT OnLButtonDown(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    CFont textFont;
    CLimitEdit textBox;
    std::string noteText;  // read when sending
};
