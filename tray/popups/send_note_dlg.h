// CSendNoteDlg: writes a note to one member (template 130, close kind 0).
#pragma once
#include <string>

#include "limit_edit.h"
#include "popup_frame.h"
#include "records.h"

class CSendNoteDlg : public CTrayPopup {
public:
    explicit CSendNoteDlg(CTrayMainDlg& main);
    static constexpr UINT kTemplate = 130;
    static constexpr PopupKind kCloseKind = POPUP_SEND_NOTE;

    // Fill before the window exists.
    void SetTarget(const NoteTargetInfo& target);
    const std::string& RecipientId() const { return recipientId; }
    const std::string& Nickname() const { return nickname; }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override { RequestClose(kCloseKind); }
    void OnSend();
    void OnProfile();
    LRESULT OnLButtonDown(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    std::string recipientId, nickname, sex;
    int age = 0;
    CFont textFont, nicknameFont;
    CLimitEdit textBox;
};
