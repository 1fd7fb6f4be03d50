#include "chat_notice_dlg.h"

#include "tray_main_dlg.h"

BEGIN_MESSAGE_MAP(CChatNoticeDlg, CTrayPopup)
    ON_WM_TIMER()
    ON_COMMAND(IDC_NOTICE_OK, &CChatNoticeDlg::OnClose)
END_MESSAGE_MAP()

CChatNoticeDlg::CChatNoticeDlg(CTrayMainDlg& main) : CTrayPopup(main, kTemplate) {}

BOOL CChatNoticeDlg::OnInitDialog() {
    POINT at;
    {
        CSingleLock lock(TrayProcessLock());
        at = NextNoticeCascade(Main().noticePopupOrigin, Main().openNoticeCount);
    }
    PlaceTopmost(at);
    SetItemText(IDC_NOTICE_TEXT, text);
    // Not checked: a notice without its fonts still reads well in the dialog's own.
    textFont.CreateFont(kFontHeight, 0, 0, 0, 0, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, "굴림체");
    buttonFont.CreateFont(kFontHeight, 0, 0, 0, 0, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, "굴림체");
    SetItemFont(m_hWnd, IDC_NOTICE_TEXT, textFont);
    SetItemFont(m_hWnd, IDC_NOTICE_OK, buttonFont);
    ticks = 0;
    SetTimer(kTimerId, 1000);
    return TRUE;
}

void CChatNoticeDlg::OnTimer(UINT_PTR) {
    if (ticks < 3) {
        ++ticks;
        return;
    }
    KillTimer(kTimerId);
    RequestClose(kCloseKind);
}

void CChatNoticeDlg::OnClose() { RequestClose(kCloseKind); }
