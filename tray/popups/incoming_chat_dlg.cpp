#include "incoming_chat_dlg.h"

#include "popup_keys.h"
#include "sound_seam.h"
#include "tray_main_dlg.h"
#include "popup_text.h"
#include "res/PopupBitmaps.h"

BEGIN_MESSAGE_MAP(CIncomingChatDlg, CTrayPopup)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_COMMAND(IDC_ACCEPT, &CIncomingChatDlg::OnAccept)
    ON_COMMAND(IDC_INCOMING_PROFILE, &CIncomingChatDlg::OnProfile)
END_MESSAGE_MAP()

CIncomingChatDlg::CIncomingChatDlg(CTrayMainDlg& main)
    : CTrayPopup(main, IDD_INCOMING_CHAT_M), countdown(kTimerId, IDC_COUNTDOWN, 15) {}

UINT CIncomingChatDlg::TemplateFor(char sexCode) {
    return sexCode == 'F' ? IDD_INCOMING_CHAT_F : IDD_INCOMING_CHAT_M;
}

void CIncomingChatDlg::SetRequest(IncomingChatRecord record) { card = CardFromIncomingRecord(record); }

BOOL CIncomingChatDlg::OnInitDialog() {
    POINT at;
    {
        CSingleLock lock(TrayProcessLock());
        at = NextChatCascade(Main().chatPopupOrigin);
    }
    PlaceTopmost(at);
    AddBitmapButton(IDC_ACCEPT, IDB_BUTTON_ACCEPT);
    AddBitmapButton(IDCANCEL, IDB_BUTTON_CANCEL);
    AddBitmapButton(IDC_INCOMING_PROFILE, IDB_BUTTON_PROFILE);
    MakeFont(titleFont);
    MakeFont(detailsFont);
    MakeFont(boldFont, true);
    // The answers carry the nickname as shown.
    card.nickname = EscapeAmpersands(card.nickname);
    FillMemberCard(m_hWnd, card, MemberTitle(card.nickname, card.memberId, card.sex, card.age), CardStyle::Chat);
    DressMemberCard(m_hWnd, palette, card, CardStyle::Chat, CardFonts{&titleFont, &detailsFont, &boldFont});
    palette.Set(IDC_COUNTDOWN, PopupPalette::Style::Countdown);
    countdown.Start(m_hWnd);
    PlaySoundFile("RqChat.wav");
    return TRUE;
}

BOOL CIncomingChatDlg::PreTranslateMessage(MSG* msg) { return SwallowWhileEnterHeld(*msg); }

// One answer only: the send may show a box, and under it the member could
// press another button.
void CIncomingChatDlg::Answer(char code, char automaticFlag) {
    countdown.Stop(m_hWnd);
    if (answering) return;
    answering = true;
    accepted = code == 'A';
    Main().AnswerChatRequest(code, card.nickname, card.memberId, automaticFlag);
    RequestClose(kCloseKind);
}

// Every tick counts: the popup has one timer.
void CIncomingChatDlg::OnTimer(UINT_PTR) {
    if (answering || !countdown.Tick(m_hWnd)) return;
    {
        CSingleLock lock(TrayProcessLock());
        Main().chatRequestExpired = true;
    }
    Answer('R', 'Y');
}

void CIncomingChatDlg::OnDestroy() { countdown.Stop(m_hWnd); }

void CIncomingChatDlg::OnProfile() { Main().OpenProfilePage(card.memberId); }
