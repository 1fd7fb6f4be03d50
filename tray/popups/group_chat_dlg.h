// CGroupChatDlg: the own chat request to all male members, waiting 20 seconds
// (template 143, close kind 3).
#pragma once
#include "countdown_label.h"
#include "popup_frame.h"

class CGroupChatDlg : public CTrayPopup {
public:
    explicit CGroupChatDlg(CTrayMainDlg& main);
    static constexpr UINT kTemplate = 143;
    static constexpr PopupKind kCloseKind = POPUP_GROUP_CHAT;
    static constexpr UINT_PTR kTimerId = 5;

    // Set by the main window when a group chat was agreed: closing withdraws nothing.
    void MarkAnswered() { answered = true; }
    bool WithdrawalSent() const { return sent; }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override { End(); }
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void End();
    void Withdraw();
    CountdownLabel countdown;
    bool sent = false;
    bool answered = false;
};
