#include "outgoing_chat_dlg.h"

#include "popup_keys.h"
#include "tray_main_dlg.h"
#include "popup_text.h"
#include "res/PopupBitmaps.h"

BEGIN_MESSAGE_MAP(COutgoingChatDlg, CTrayPopup)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_COMMAND(IDC_OUTGOING_PROFILE, &COutgoingChatDlg::OnProfile)
END_MESSAGE_MAP()

COutgoingChatDlg::COutgoingChatDlg(CTrayMainDlg& main)
    : CTrayPopup(main, IDD_OUTGOING_CHAT_M), countdown(kTimerId, IDC_OUTGOING_COUNTDOWN, 20) {}

UINT COutgoingChatDlg::TemplateFor(char sexCode) {
    return sexCode == 'F' ? IDD_OUTGOING_CHAT_F : IDD_OUTGOING_CHAT_M;
}

void COutgoingChatDlg::SetTarget(const ChatTargetInfo& target) { card = CardFromChatTarget(target); }
void COutgoingChatDlg::SetTarget(const ChatTargetFields& target) { card = CardFromChatFields(target); }

BOOL COutgoingChatDlg::OnInitDialog() {
    PlaceTopmost(kFixedPopupPlace);
    AddBitmapButton(IDCANCEL, IDB_BUTTON_CANCEL);
    AddBitmapButton(IDC_OUTGOING_PROFILE, IDB_BUTTON_PROFILE);
    MakeFont(titleFont);
    MakeFont(detailsFont);
    MakeFont(boldFont, true);
    FillMemberCard(m_hWnd, card, MemberTitle(EscapeAmpersands(card.nickname), card.memberId, card.sex, card.age),
                   CardStyle::Chat);
    DressMemberCard(m_hWnd, palette, card, CardStyle::Chat, CardFonts{&titleFont, &detailsFont, &boldFont});
    palette.Set(IDC_OUTGOING_COUNTDOWN, PopupPalette::Style::Countdown);
    countdown.Start(m_hWnd);
    sent = false;
    answered = false;
    CSingleLock lock(TrayProcessLock());
    Main().chatRequestExpired = false;
    return TRUE;
}

BOOL COutgoingChatDlg::PreTranslateMessage(MSG* msg) { return SwallowWhileEnterHeld(*msg); }

// Marked first: the send may show a box, and under it the countdown or the
// member could try again.
void COutgoingChatDlg::Withdraw() {
    if (sent) return;
    sent = true;
    Main().SendChatControl(card.memberId, 'C');
}

// Every tick counts: the popup has one timer.
void COutgoingChatDlg::OnTimer(UINT_PTR) {
    if (sent || !countdown.Tick(m_hWnd)) return;
    {
        CSingleLock lock(TrayProcessLock());
        Main().chatRequestExpired = true;
    }
    Withdraw();
    RequestClose(kCloseKind);
}

void COutgoingChatDlg::OnCancel() {
    countdown.Stop(m_hWnd);
    Withdraw();
    {
        CSingleLock lock(TrayProcessLock());
        Main().chatRequestWithdrawn = true;
    }
    RequestClose(kCloseKind);
}

// Vanishing for any other reason (refusal, session end) withdraws the request
// once; a chat agreed by the server withdraws nothing.
void COutgoingChatDlg::OnDestroy() {
    countdown.Stop(m_hWnd);
    if (!sent && !answered) Withdraw();
}

void COutgoingChatDlg::OnProfile() { Main().OpenProfilePage(card.memberId); }
