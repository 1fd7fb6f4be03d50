// CIncomingChatDlg: another member's 1:1 request, accepted or declined within
// 15 seconds (templates 133/160, close kind 2, keyed by the asker's id).
#pragma once
#include "countdown_label.h"
#include "member_card.h"
#include "popup_frame.h"

class CIncomingChatDlg : public CTrayPopup {
public:
    explicit CIncomingChatDlg(CTrayMainDlg& main);
    static constexpr PopupKind kCloseKind = POPUP_INCOMING_CHAT;
    static constexpr UINT_PTR kTimerId = 4;
    // 133 when the asking member is a woman, else 160.
    static UINT TemplateFor(char sexCode);

    // Fill before the window exists.
    void SetRequest(IncomingChatRecord record);
    WPARAM CloseKey() const override { return reinterpret_cast<WPARAM>(&card.memberId); }
    const std::string& MemberId() const { return card.memberId; }
    // The nickname as shown: escaped once the window exists; the answers carry it so.
    const std::string& Nickname() const { return card.nickname; }
    const MemberCard& Card() const { return card; }
    // The member accepted: the server settles the request later (a chat, or its end).
    bool Accepted() const { return accepted; }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override { Answer('R', 'N'); }
    void OnAccept() { Answer('A', 'N'); }
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnProfile();
    DECLARE_MESSAGE_MAP()

private:
    void Answer(char code, char automaticFlag);
    MemberCard card;
    CountdownLabel countdown;
    CFont titleFont, detailsFont, boldFont;
    bool accepted = false;
    bool answering = false;
};
