#include "group_chat_dlg.h"

#include "popup_keys.h"
#include "tray_main_dlg.h"
#include "res/PopupBitmaps.h"

BEGIN_MESSAGE_MAP(CGroupChatDlg, CTrayPopup)
    ON_WM_TIMER()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CGroupChatDlg::CGroupChatDlg(CTrayMainDlg& main)
    : CTrayPopup(main, kTemplate), countdown(kTimerId, IDC_COUNTDOWN, 20) {}

BOOL CGroupChatDlg::OnInitDialog() {
    PlaceTopmost(kFixedPopupPlace);
    AddBitmapButton(IDCANCEL, IDB_BUTTON_CANCEL);
    palette.Set(IDC_COUNTDOWN, PopupPalette::Style::Countdown);
    countdown.Start(m_hWnd);
    sent = false;
    answered = false;
    CSingleLock lock(TrayProcessLock());
    Main().groupRequestEnded = false;
    return TRUE;
}

BOOL CGroupChatDlg::PreTranslateMessage(MSG* msg) { return SwallowWhileEnterHeld(*msg); }

// Marked first: the send may show a box, and under it the countdown or the
// member could try again.
void CGroupChatDlg::Withdraw() {
    if (sent) return;
    sent = true;
    Main().SendChatControl(kEveryoneId, 'C');
}

// Expiry and withdrawal end the request the same way.
void CGroupChatDlg::End() {
    countdown.Stop(m_hWnd);
    {
        CSingleLock lock(TrayProcessLock());
        Main().groupRequestEnded = true;
    }
    Withdraw();
    RequestClose(kCloseKind);
}

void CGroupChatDlg::OnTimer(UINT_PTR id) {
    if (id != kTimerId || sent) return;
    if (countdown.Tick(m_hWnd)) End();
}

void CGroupChatDlg::OnDestroy() {
    countdown.Stop(m_hWnd);
    if (!sent && !answered) Withdraw();
}
