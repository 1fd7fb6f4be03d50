// COutgoingChatDlg: the own 1:1 request waiting for the asked member, with a
// 20-second countdown and withdrawal (templates 132/159, close kind 1).
#pragma once
#include "countdown_label.h"
#include "member_card.h"
#include "popup_frame.h"

class COutgoingChatDlg : public CTrayPopup {
public:
    explicit COutgoingChatDlg(CTrayMainDlg& main);
    static constexpr PopupKind kCloseKind = POPUP_OUTGOING_CHAT;
    static constexpr UINT_PTR kTimerId = 3;
    // 132 when the asked member is a woman, else 159.
    static UINT TemplateFor(char sexCode);

    // Fill before the window exists.
    void SetTarget(const ChatTargetInfo& target);
    void SetTarget(const ChatTargetFields& target);
    const MemberCard& Card() const { return card; }
    // Set by the main window when the server settled the request (a chat was
    // agreed): closing the popup then withdraws nothing.
    void MarkAnswered() { answered = true; }
    bool WithdrawalSent() const { return sent; }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override;
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnProfile();
    DECLARE_MESSAGE_MAP()

private:
    void Withdraw();
    MemberCard card;
    CountdownLabel countdown;
    CFont titleFont, detailsFont, boldFont;
    bool sent = false;      // the withdrawal 'C' went to the server
    bool answered = false;
};
